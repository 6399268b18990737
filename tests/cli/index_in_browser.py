#!/usr/bin/env python3
"""The index page of a notebook in headless Chromium, opened from file://:
its entries, the search as it is typed (katakana and half width alike), a
link followed to its page, the thumbnails loaded, and the arrow keys. Given
the folder of the handwriting test data, a page with the word 会議 written
by hand is converted with --recognize and found by its word and by other
candidates of its characters.

usage: index_in_browser.py MAROVI_CONVERT INKGEN EXAMPLES_DIR [HANDWRITING_DIR]
"""

import pathlib
import shutil
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

PAGES = {
    "p1.ink": "type えを　かいた\nbr\ncolor blue\nrect 11500 1500 17500 6000\ncircle 16000 2600 450\n",
    "p2.ink": "type さしすせそ\nbr\ntype つぎの　ぎょう\n",
    "p10.ink": "type Room B\n",
}


def main():
    convert, inkgen, examples = sys.argv[1:4]
    handwriting = sys.argv[4] if len(sys.argv) > 4 else None
    pages = dict(PAGES)
    if handwriting:
        word = (pathlib.Path(handwriting) / "kaigi.ink.txt").read_text(encoding="utf-8")
        pages["p3.ink"] = "type めも\nbr\n" + word + "br\n"
    with tempfile.TemporaryDirectory(prefix="marovi-index-") as scratch:
        root = pathlib.Path(scratch)
        (root / "kb").mkdir()
        (root / "notes").mkdir()
        for name in ("softKB.skb", "keydef.skb"):
            shutil.copy(pathlib.Path(examples) / name, root / "kb" / name)
        for ink, script in pages.items():
            (root / "script.txt").write_text(script, encoding="utf-8")
            subprocess.run([inkgen, "--keyboard", str(root / "kb" / "softKB.skb"), str(root / "script.txt"),
                            str(root / "notes" / ink)], check=True)
        subprocess.run([convert, "--index"] + (["--recognize"] if handwriting else []) + ["-k", str(root / "kb"), "-d", str(root / "out"), str(root / "notes")],
                       check=True, stdout=subprocess.DEVNULL)
        check_index((root / "out" / "index.html").as_uri(), bool(handwriting))
    print("index: entries, search, link, thumbnails and keys work")


def check_index(url, handwriting):
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1200,900"):
        options.add_argument(argument)
    service = Service(executable_path=shutil.which("chromedriver"))
    browser = webdriver.Chrome(options=options, service=service)
    try:
        browser.get(url)
        entries = browser.find_elements(By.CSS_SELECTOR, "li.page")
        expected_titles = ["えを　かいた", "さしすせそ"] + (["めも"] if handwriting else []) + ["Room B"]
        assert len(entries) == len(expected_titles), f"{len(entries)} entries"
        titles = [entry.find_element(By.TAG_NAME, "h2").text for entry in entries]
        assert titles == expected_titles, titles

        def shown():
            return [entry.find_element(By.TAG_NAME, "h2").text for entry in entries if entry.is_displayed()]

        search = browser.find_element(By.CSS_SELECTOR, "input[type=search]")
        for typed in ("ぎょう", "ギョウ", "ｷﾞｮｳ", "room"):
            search.clear()
            search.send_keys(typed)
            expected = ["Room B"] if typed == "room" else ["さしすせそ"]
            assert shown() == expected, (typed, shown())

        if handwriting:
            # The word read, and the word made of other candidates of its
            # cells; not the characters in another order.
            cells = entries[2].get_attribute("data-handwriting").split("\n")[0].split("|")
            assert len(cells) == 2 and cells[0][0] == "会" and cells[1][0] == "議", cells
            assert "会議" in entries[2].find_element(By.CLASS_NAME, "text").get_attribute("textContent")
            for typed, expected in (("会議", ["めも"]), (cells[0][1] + "議", ["めも"]),
                                    ("会" + cells[1][2], ["めも"]), ("議会", [])):
                search.clear()
                search.send_keys(typed)
                assert shown() == expected, (typed, shown())

        # The arrow keys go from the field to the entries shown.
        search.clear()
        search.send_keys("ぎょう")
        search.send_keys(Keys.ARROW_DOWN)
        link = browser.switch_to.active_element
        assert link.get_attribute("href").endswith("/p2.html"), link.get_attribute("href")

        link.send_keys(Keys.ENTER)
        WebDriverWait(browser, 10).until(lambda b: b.current_url.endswith("/p2.html"))
        body = browser.find_element(By.TAG_NAME, "body").text
        assert "つぎの　ぎょう" in body, body
        browser.back()

        WebDriverWait(browser, 10).until(lambda b: b.current_url == url)
        thumbnails = browser.find_elements(By.CSS_SELECTOR, "img.thumb")
        assert thumbnails, "no thumbnail"
        for image in thumbnails:
            browser.execute_script("arguments[0].scrollIntoView()", image)
            WebDriverWait(browser, 10).until(lambda b: b.execute_script("return arguments[0].complete", image))
            width = browser.execute_script("return arguments[0].naturalWidth", image)
            assert width > 0, image.get_attribute("src")
            assert image.get_attribute("alt"), "a thumbnail without alt text"
    finally:
        browser.quit()


if __name__ == "__main__":
    main()
