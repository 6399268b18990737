#!/usr/bin/python3
"""Opens HTML pages in headless Chromium at a phone's and a desktop's width
and checks that none scrolls sideways and that every picture has loaded.
Usage: browser-check.py PAGE.html...  Exit status 0 when all pass."""

import pathlib
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

WIDTHS = {"phone": (360, 740, True), "desktop": (1280, 800, False)}

CHECK = """
const root = document.documentElement;
const images = Array.from(document.images);
return {
  scrollWidth: root.scrollWidth,
  viewport: root.clientWidth,
  images: images.length,
  broken: images.filter(i => !i.complete || i.naturalWidth === 0).map(i => i.getAttribute('src')),
  overflowing: images.filter(i => i.getBoundingClientRect().right > root.clientWidth + 0.5).length,
};
"""


def main(pages):
    options = webdriver.ChromeOptions()
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--allow-file-access-from-files"):
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    failures = []
    try:
        for name, (width, height, mobile) in WIDTHS.items():
            driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                   {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": mobile})
            for page in pages:
                driver.get(pathlib.Path(page).resolve().as_uri())
                found = driver.execute_script(CHECK)
                where = f"{page} at {width} px ({name})"
                if found["scrollWidth"] > found["viewport"]:
                    failures.append(f"{where}: {found['scrollWidth']} px wide in a {found['viewport']} px view")
                if found["broken"]:
                    failures.append(f"{where}: pictures not loaded: {found['broken']}")
                if found["overflowing"]:
                    failures.append(f"{where}: {found['overflowing']} pictures reach past the view")
                print(f"{where}: {found['images']} pictures, {found['scrollWidth']} px of {found['viewport']}")
    finally:
        driver.quit()
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
