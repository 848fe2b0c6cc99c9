"""The windows at the display's scale (125 % to 200 %), and the installer window moved to a screen at 100 % and back."""
import subprocess

import pytest
from PIL import Image

from conftest import screenshot, wait_for
from corvane_env import set_prefix_dpi
from test_look import silent_service  # noqa: F401 (a fixture)

WS_EX_APPWINDOW = 0x40000
KEY = (255, 0, 255)
TITLE_LABEL = 1015
LABELS = [1015] + list(range(1019, 1028))
WM_COMMAND, WM_DPICHANGED = 0x111, 0x2E0


def px(n, dpi):
    """A 96-DPI length at dpi, rounded as the program rounds: halves away from zero."""
    return (n * dpi + 48) // 96


def windows(driver, main):
    """The program's visible windows: the installer window (main) or its message boxes."""
    return [w for w in driver.windows() if w["visible"] and bool(w["exstyle"] & WS_EX_APPWINDOW) == main]


def item_rect(driver, hwnd, item):
    return [int(v) for v in driver.run("rect", hwnd, item)[1].split("rect=")[1].split(",")]


def is_ink(pixel):
    """Text pixels: black, or the notice's blue (not the skin's bluish grey outline)."""
    return pixel[0] < 80 and pixel[1] < 140


def ink_columns(picture, rect):
    """Columns of rect (picture coordinates) holding text pixels."""
    return {x for x in range(rect[0], rect[2])
            if any(is_ink(picture.getpixel((x, y))) for y in range(rect[1], rect[3]))}


def ink_rows(picture, rect):
    """How many rows of rect hold text pixels."""
    return sum(1 for y in range(rect[1], rect[3])
               if any(is_ink(picture.getpixel((x, y))) for x in range(rect[0], rect[2])))


@pytest.fixture(params=[120, 144, 168, 192], ids=["125%", "150%", "175%", "200%"])
def scaled(request, wine_env):
    set_prefix_dpi(wine_env, request.param)
    yield request.param
    set_prefix_dpi(wine_env, 96)


def drawn(driver, wine_env, hwnd, dpi, name):
    """The installer window once it has its size at dpi and its title is painted: its screenshot, its rectangle
    and the rows of its title's ink. Its title lies at its place at dpi, its corners are cut (the desktop shows)
    and no key colour shows."""
    assert wait_for(lambda: windows(driver, True)[0]["size"] == (px(437, dpi), px(254, dpi)), 10), dpi
    rect = left, top, right, bottom = windows(driver, True)[0]["rect"]
    title = item_rect(driver, hwnd, TITLE_LABEL)
    assert title == [left + px(30, dpi), top + px(8, dpi), left + px(265, dpi), top + px(32, dpi)]
    picture = [None]

    def painted():
        picture[0] = Image.open(screenshot(wine_env, name)).convert("RGB")
        return ink_rows(picture[0], title) > 0
    assert wait_for(painted, 10), "the title was not painted at %d DPI" % dpi
    shot = picture[0]
    desktop = shot.getpixel((left - 3, top - 3))
    for corner in ((left, top), (right - 1, top), (left, bottom - 1), (right - 1, bottom - 1)):
        assert shot.getpixel(corner) == desktop, (dpi, corner)
    assert KEY not in set(shot.crop(rect).getdata())
    return shot, rect, ink_rows(shot, title)


def test_the_window_and_its_message_box_are_drawn_whole_at_the_displays_scale_and_follow_a_new_one(
        scaled, installer, driver, data_dir, wine_env, silent_service):  # noqa: F811
    dpi = scaled
    subprocess.run(["xdotool", "mousemove", "0", "0"], env=wine_env, check=True)
    run = installer()
    found = wait_for(lambda: windows(driver, True), 30)
    assert found, "the installer window did not appear"
    hwnd = found[0]["hwnd"]
    # Looked at once the first second's texts are in.
    assert wait_for(lambda: driver.text(hwnd, 1023), 10)
    shot, (left, top, right, bottom), ink = drawn(driver, wine_env, hwnd, dpi, "scale-%d-window" % dpi)
    # Centred on the screen, which on the virtual display is all work area.
    assert abs((left + right) - shot.size[0]) <= 1 and abs((top + bottom) - shot.size[1]) <= 1

    # Every label's text stays inside its rectangle: nothing is drawn in its last column.
    for item in LABELS:
        text = driver.text(hwnd, item)
        rect = item_rect(driver, hwnd, item)
        # Value labels reach past the window's edge, which clips them; their texts end well before it.
        rect[2] = min(rect[2], right)
        if not text:
            continue
        columns = ink_columns(shot, rect)
        assert columns, "label %d shows nothing of %r" % (item, text)
        assert max(columns) < rect[2] - 1, "label %d cuts %r at its edge" % (item, text)

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
    subprocess.run(["xdotool", "mousemove", "0", "0"], env=wine_env, check=True)

    # As when the window is dragged to a screen at 100 % and back; sent without the suggested rectangle, which
    # only the system can hand over, so the window keeps its place.
    inks = [ink]
    for new in (96, dpi):
        driver.send(hwnd, WM_DPICHANGED, new | new << 16, 0)
        inks.append(drawn(driver, wine_env, hwnd, new, "scale-%d-then-%d" % (dpi, new))[2])
    # The title's font is made anew for each: its ink shrinks with the scale (as far as hinting lets it) and
    # comes back.
    assert inks[0] * 96 * 15 >= inks[1] * dpi * 13 and inks[0] == inks[2], inks
    assert run.running()
    run.kill()
