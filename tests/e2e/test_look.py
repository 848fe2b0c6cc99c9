"""The look on screen: the installer window and the failure message against reference pictures.

The references in tests/e2e/looks were taken from the program as it looked with its full-colour skin art;
the skin may be stored differently (fewer colours, another compression) but must look the same. A picture
that should change on purpose is refreshed by copying build/e2e-screenshots/look-NAME.png over looks/NAME.png.
"""
import os
import socket
import subprocess

import pytest
from PIL import Image, ImageChops

from conftest import ROOT, SERVICE_PORT, SHOTS, screenshot, wait_for
from test_startup import main_window, message_windows

LOOKS = os.path.join(ROOT, "tests", "e2e", "looks")
IDC_PROMOTION = 1026
# Per pixel, no channel may differ by more than this; over the picture, the mean channel difference stays
# under MEAN_TOLERANCE: a few antialiased pixels may move by a shade, nothing may visibly change.
PIXEL_TOLERANCE = 8
MEAN_TOLERANCE = 1.0


@pytest.fixture
def silent_service():
    """A service that takes the connection and never answers: the window stays in its first state."""
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", SERVICE_PORT))
    listener.listen(8)
    listener.settimeout(30)
    yield listener
    listener.close()


def window_picture(env, name, rect, masks=()):
    """The window's rectangle cut from a picture of the display (saved as NAME), with the given screen rectangles blacked out."""
    shot = Image.open(screenshot(env, name)).convert("RGB")
    left, top = rect[0], rect[1]
    picture = shot.crop(tuple(rect))
    for mask in masks:
        picture.paste((0, 0, 0), (mask[0] - left, mask[1] - top, mask[2] - left, mask[3] - top))
    return picture


def difference(picture, name):
    """None when the picture matches looks/NAME.png within the tolerance, else what differs."""
    path = os.path.join(LOOKS, name + ".png")
    if not os.path.exists(path):
        return "no reference %s" % path
    reference = Image.open(path).convert("RGB")
    if reference.size != picture.size:
        return "size %s, reference %s" % (picture.size, reference.size)
    diff = ImageChops.difference(picture, reference)
    channels = diff.getdata()
    worst = max(max(pixel) for pixel in channels)
    mean = sum(sum(pixel) for pixel in channels) / (3.0 * len(channels))
    if worst > PIXEL_TOLERANCE or mean > MEAN_TOLERANCE:
        return "largest channel difference %d, mean %.3f (box %s)" % (worst, mean, diff.getbbox())
    return None


def mismatch(env, name, rect, masks=()):
    """Pictures until one matches (the window may still be painting): None, or the last difference."""
    last = []

    def attempt():
        picture = window_picture(env, "display-" + name, rect, masks)
        last[:] = [difference(picture, name)]
        # Kept (masked) beside the display pictures, to compare by eye or to become the new reference.
        picture.save(os.path.join(SHOTS, "look-%s.png" % name))
        return last[0] is None
    wait_for(attempt, 20, 0.5)
    return last[0]


def test_the_window_and_the_failure_message_look_as_before(installer, driver, data_dir, wine_env, silent_service):
    # The pointer away from the window, so that no button shows its hover image.
    subprocess.run(["xdotool", "mousemove", "0", "0"], env=wine_env, check=True)
    run = installer()
    window = wait_for(lambda: [w for w in main_window(driver) if w["visible"]], 30)
    assert window, "the installer window did not appear"
    hwnd, rect = window[0]["hwnd"], window[0]["rect"]
    # The promotional line rotates on a timer: its label is left out.
    promotion = [int(v) for v in driver.run("rect", hwnd, IDC_PROMOTION)[1].split("rect=")[1].split(",")]
    difference_seen = mismatch(wine_env, "installer-window", rect, [promotion])
    assert difference_seen is None, difference_seen

    # The service hangs up: the request fails and the failure message opens over the window.
    connection, _ = silent_service.accept()
    connection.close()
    silent_service.close()
    boxes = wait_for(lambda: message_windows(driver), 60)
    assert boxes, "the failure message did not appear"
    difference_seen = mismatch(wine_env, "failure-message", boxes[0]["rect"])
    assert difference_seen is None, difference_seen
    driver.post(boxes[0]["hwnd"], 0x0111, 1, 0)  # WM_COMMAND IDOK
    assert run.wait(15) == 0
