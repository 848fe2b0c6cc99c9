"""Western and Traditional Chinese editions: under ANSI code pages 1252 and 950 the window, its labels and the
message dialogs read back (with the wide calls) and draw exactly as under 936."""
import contextlib
import os
import re

from PIL import Image, ImageChops

from conftest import EXE, TITLE, Driver, Installer, make_installer, remove_path, screenshot, wait_for
from test_startup import main_window, message_windows

# Wine takes the ANSI code page from the locale it starts in; 936 is the reference the others must match.
LOCALES = {936: "zh_CN.UTF-8", 1252: "en_US.UTF-8", 950: "zh_TW.UTF-8"}
WM_CLOSE, WM_COMMAND, IDOK = 0x10, 0x111, 1
FIXED_LABELS = {
    1015: TITLE,
    1019: "正在下载安装，请稍候...",
    1020: "文件大小：",
    1022: "已下载：",
    1024: "平均速度：",
    1027: "正在下载Corvane安装文件，请稍候...",
}
# The dialog's corners are cut away and show whatever lies behind them: compare inside them.
INSET = 6


def code_page_env(wine_env, code_page):
    return dict(wine_env, LANG=LOCALES[code_page], LC_ALL=LOCALES[code_page])


@contextlib.contextmanager
def run_in(env, tmp_path, code_page):
    driver = Driver(env)
    assert driver.code_page() == code_page, "Wine did not start in code page %d" % code_page
    run = Installer(env, str(tmp_path / ("cp%d.log" % code_page)), EXE).start()
    try:
        yield run, driver
    finally:
        run.kill()
        wait_for(lambda: not driver.windows(), 10)


def check_window_texts(driver, main):
    assert driver.text(main["hwnd"]) == TITLE
    assert {item: driver.text(main["hwnd"], item) for item in FIXED_LABELS} == FIXED_LABELS
    # The promotional line is one of the program's own texts too: Chinese, not bytes read as another code page.
    assert re.search(r"[\u4e00-\u9fff]", driver.text(main["hwnd"], 1026))


def dialog_image(env, box, name):
    """The message dialog as drawn on the screen, inside its cut corners; the screenshot is kept."""
    shot = Image.open(screenshot(env, name)).convert("RGB")
    left, top, right, bottom = box["rect"]
    return shot.crop((left + INSET, top + INSET, right - INSET, bottom - INSET))


def same_pixels(a, b):
    return a.size == b.size and ImageChops.difference(a, b).getbbox() is None


def test_start_up_failure_message_under_other_code_pages(wine_env, data_dir, tmp_path):
    drawn = {}
    for code_page in LOCALES:
        env = code_page_env(wine_env, code_page)
        with run_in(env, tmp_path, code_page) as (run, driver):
            boxes = wait_for(lambda: message_windows(driver), 30)
            assert boxes, "no failure message under code page %d" % code_page
            box = boxes[0]
            check_window_texts(driver, main_window(driver)[0])
            assert driver.text(box["hwnd"]) == TITLE
            # The button caption is set while the dialog paints its text: once it reads back, the text is drawn.
            assert wait_for(lambda: driver.text(box["hwnd"], IDOK) == "确定", 10)
            drawn[code_page] = dialog_image(env, box, "codepage-%d-failure-message" % code_page)
            driver.post(box["hwnd"], WM_COMMAND, IDOK, 0)
            assert run.wait(15) == 0
        remove_path(data_dir)
    # Title, icon, "获取安装信息失败，请稍后再试！" and the button drawn alike under every code page.
    for code_page in (1252, 950):
        assert same_pixels(drawn[code_page], drawn[936]), "the failure message differs under %d" % code_page


def test_download_and_exit_confirmation_under_other_code_pages(wine_env, data_dir, service, tmp_path):
    source = make_installer(str(tmp_path / "setup.exe"), 12 << 20)
    service.publish(source, limit_rate="400k").start()
    partial = os.path.join(data_dir, "qzvr_setup_0.exe.df!")
    drawn = {}
    for code_page in LOCALES:
        env = code_page_env(wine_env, code_page)
        with run_in(env, tmp_path, code_page) as (run, driver):
            assert wait_for(lambda: os.path.exists(partial) and os.path.getsize(partial) > 100000, 60)
            hwnd = main_window(driver)[0]["hwnd"]
            check_window_texts(driver, main_window(driver)[0])
            assert driver.text(hwnd, 1021) == "12.00M"
            assert wait_for(lambda: re.fullmatch(r"\d+KB/秒", driver.text(hwnd, 1025) or ""), 5)
            assert re.fullmatch(r"\d+\.\d\dM", driver.text(hwnd, 1023))
            screenshot(env, "codepage-%d-downloading" % code_page)
            driver.post(hwnd, WM_CLOSE)
            boxes = wait_for(lambda: message_windows(driver), 15)
            assert boxes, "no exit confirmation under code page %d" % code_page
            box = boxes[0]
            assert driver.text(box["hwnd"]) == TITLE
            assert wait_for(lambda: driver.text(box["hwnd"], IDOK) == "确定", 10)
            assert driver.text(box["hwnd"], 2) == "取消"
            drawn[code_page] = dialog_image(env, box, "codepage-%d-confirmation" % code_page)
        # Each code page downloads afresh, so that no run completes the file and ends.
        remove_path(data_dir)
    # "确认要退出Corvane在线安装程序？" with its title, icon and both buttons drawn alike under every code page.
    for code_page in (1252, 950):
        assert same_pixels(drawn[code_page], drawn[936]), "the confirmation differs under %d" % code_page
