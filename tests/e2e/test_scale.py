"""The windows at the display's scale (125 % to 200 %) and as screen readers name their parts."""
import subprocess

import pytest
from PIL import Image

from conftest import screenshot, wait_for
from corvane_env import set_prefix_dpi
from test_look import silent_service  # noqa: F401 (a fixture)

WS_EX_APPWINDOW = 0x40000
KEY = (255, 0, 255)
TITLE_LABEL, CLOSE, MINIMIZE, MESSAGE_CLOSE = 1015, 1012, 1014, 1032
LABELS = [1015] + list(range(1019, 1028))
WM_COMMAND, WM_SYSKEYDOWN, VK_F4, WM_DPICHANGED = 0x111, 0x104, 0x73, 0x2E0


def px(n, dpi):
    """A 96-DPI length at dpi, rounded as the program rounds: halves away from zero."""
    return (n * dpi + 48) // 96


def windows(driver, main):
    """The program's visible windows: the installer window (main) or its message boxes."""
    return [w for w in driver.windows() if w["visible"] and bool(w["exstyle"] & WS_EX_APPWINDOW) == main]


def ink_columns(picture, rect):
    """Columns of rect (picture coordinates) holding text pixels: black, or the notice's blue (not the skin's
    bluish grey outline)."""
    columns = set()
    for x in range(rect[0], rect[2]):
        for y in range(rect[1], rect[3]):
            r, g, b = picture.getpixel((x, y))
            if r < 80 and g < 140:
                columns.add(x)
                break
    return columns


@pytest.fixture(params=[120, 144, 168, 192], ids=["125%", "150%", "175%", "200%"])
def scaled(request, wine_env):
    set_prefix_dpi(wine_env, request.param)
    yield request.param
    set_prefix_dpi(wine_env, 96)


def test_the_window_and_its_message_box_are_drawn_whole_at_the_displays_scale(
        scaled, installer, driver, data_dir, wine_env, silent_service):  # noqa: F811
    dpi = scaled
    subprocess.run(["xdotool", "mousemove", "0", "0"], env=wine_env, check=True)
    run = installer()
    found = wait_for(lambda: windows(driver, True), 30)
    assert found, "the installer window did not appear"
    main = found[0]
    left, top, right, bottom = main["rect"]
    assert main["size"] == (px(437, dpi), px(254, dpi))
    shot = Image.open(screenshot(wine_env, "scale-%d-window" % dpi)).convert("RGB")
    # Centred on the screen, which on the virtual display is all work area.
    assert abs((left + right) - shot.size[0]) <= 1 and abs((top + bottom) - shot.size[1]) <= 1
    # Wait for the first second's texts, then look: corners cut (the desktop shows), no key colour anywhere.
    assert wait_for(lambda: driver.text(main["hwnd"], 1023), 10)
    shot = Image.open(screenshot(wine_env, "scale-%d-window" % dpi)).convert("RGB")
    desktop = shot.getpixel((left - 3, top - 3))
    for corner in ((left, top), (right - 1, top), (left, bottom - 1), (right - 1, bottom - 1)):
        assert shot.getpixel(corner) == desktop, corner
    window = shot.crop((left, top, right, bottom))
    assert KEY not in set(window.getdata())

    # Every label's text stays inside its rectangle: nothing is drawn in its last column.
    for item in LABELS:
        text = driver.text(main["hwnd"], item)
        rect = [int(v) for v in driver.run("rect", main["hwnd"], item)[1].split("rect=")[1].split(",")]
        # Value labels reach past the window's edge, which clips them; their texts end well before it.
        rect[2] = min(rect[2], right)
        if not text:
            continue
        ink = ink_columns(shot, rect)
        assert ink, "label %d shows nothing of %r" % (item, text)
        assert max(ink) < rect[2] - 1, "label %d cuts %r at its edge" % (item, text)

    # A press at the close button's scaled place asks first; the box is its content's size at this scale.
    subprocess.run(["xdotool", "mousemove", str(right - px(19, dpi)), str(top + px(12, dpi)), "click", "1"],
                   env=wine_env, check=True)
    boxes = wait_for(lambda: windows(driver, False), 15)
    assert boxes, "the close button did not ask for confirmation"
    box = boxes[0]
    assert box["size"] == (px(248, dpi), px(110, dpi))
    bl, bt, br, bb = box["rect"]
    before, shot = shot, Image.open(screenshot(wine_env, "scale-%d-confirmation" % dpi)).convert("RGB")
    # Its corners are cut too: there the installer window shows as it did before the box came.
    for corner in ((bl, bt), (br - 1, bt), (bl, bb - 1), (br - 1, bb - 1)):
        assert shot.getpixel(corner) == before.getpixel(corner), corner
    assert shot.getpixel((bl + px(5, dpi), bt + px(5, dpi))) != before.getpixel((bl + px(5, dpi), bt + px(5, dpi)))
    assert KEY not in set(shot.crop((bl, bt, br, bb)).getdata())
    driver.post(box["hwnd"], WM_COMMAND, 2, 0)
    assert wait_for(lambda: not windows(driver, False), 10)
    assert run.running()
    run.kill()


def test_screen_readers_name_the_buttons_and_alt_f4_asks_first(installer, driver, data_dir, silent_service):  # noqa: F811
    run = installer()
    found = wait_for(lambda: windows(driver, True), 30)
    assert found, "the installer window did not appear"
    hwnd = found[0]["hwnd"]
    assert driver.name(hwnd, CLOSE) == "关闭"
    assert driver.name(hwnd, MINIMIZE) == "最小化"
    assert driver.name(hwnd, TITLE_LABEL) == "Corvane在线安装程序"
    assert driver.name(hwnd, 1019) == "正在下载安装，请稍候..."
    # Alt+F4 is the system's close command, which asks like the close button.
    driver.post(hwnd, WM_SYSKEYDOWN, VK_F4, 1 << 29)
    boxes = wait_for(lambda: windows(driver, False), 15)
    assert boxes, "Alt+F4 showed no confirmation"
    assert driver.name(boxes[0]["hwnd"], MESSAGE_CLOSE) == "关闭"
    driver.post(boxes[0]["hwnd"], WM_COMMAND, 2, 0)
    assert wait_for(lambda: not windows(driver, False), 10)
    assert run.running()
    run.kill()


def ink_rows(picture, rect):
    """How many rows of rect hold text pixels."""
    return sum(1 for y in range(rect[1], rect[3])
               if any(picture.getpixel((x, y))[0] < 80 and picture.getpixel((x, y))[1] < 140
                      for x in range(rect[0], rect[2])))


def test_a_new_resolution_brings_the_window_its_size_fonts_and_shape(
        installer, driver, data_dir, wine_env, silent_service):  # noqa: F811
    run = installer()
    found = wait_for(lambda: windows(driver, True), 30)
    assert found, "the installer window did not appear"
    hwnd = found[0]["hwnd"]
    seen = {}
    # As when the window is dragged to a screen at 150 % and back; sent without the suggested rectangle,
    # which only the system can hand over, so the window keeps its place.
    for dpi in (96, 144, 96):
        if dpi != 96 or seen:
            driver.send(hwnd, WM_DPICHANGED, dpi | dpi << 16, 0)
        assert wait_for(lambda: windows(driver, True)[0]["size"] == (px(437, dpi), px(254, dpi)), 10), dpi
        left, top, right, bottom = windows(driver, True)[0]["rect"]
        title = [int(v) for v in driver.run("rect", hwnd, TITLE_LABEL)[1].split("rect=")[1].split(",")]
        assert title == [left + px(30, dpi), top + px(8, dpi), left + px(265, dpi), top + px(32, dpi)]
        picture = [None]

        def painted():
            picture[0] = Image.open(screenshot(wine_env, "scale-change-%d" % dpi)).convert("RGB")
            return ink_rows(picture[0], title) > 0
        assert wait_for(painted, 10)
        shot = picture[0]
        assert shot.getpixel((left, top)) == shot.getpixel((left - 3, top - 3))
        assert shot.getpixel((right - 1, bottom - 1)) == shot.getpixel((right + 2, bottom + 2))
        assert KEY not in set(shot.crop((left, top, right, bottom)).getdata())
        seen.setdefault(dpi, []).append(ink_rows(shot, title))
    assert seen[144][0] * 10 >= seen[96][0] * 13, seen
    assert seen[96][0] == seen[96][1], seen
    assert run.running()
    run.kill()
