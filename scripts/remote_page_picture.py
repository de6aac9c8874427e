#!/usr/bin/python3
"""Saves the remote page as a phone shows it: remote_page_picture.py URL CODE FILE.

Headless Debian Chromium through chromedriver, at 360 x 740 CSS pixels, paired with CODE."""
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

url, code, picture = sys.argv[1:4]
options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--hide-scrollbars", "--user-data-dir=" + tempfile.mkdtemp(prefix="orbis-shot-")):
    options.add_argument(flag)
options.add_experimental_option("mobileEmulation", {
    "deviceMetrics": {"width": 360, "height": 740, "pixelRatio": 2.0}})
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
try:
    driver.get(url)
    wait = WebDriverWait(driver, 20)
    field = wait.until(lambda d: d.find_element(By.ID, "code"))
    field.send_keys(code)
    driver.find_element(By.CSS_SELECTOR, "#pair button[type=submit]").click()
    wait.until(lambda d: d.find_element(By.ID, "desk").is_displayed())
    wait.until(lambda d: d.find_elements(By.CSS_SELECTOR, "[aria-label='Source 8']"))
    driver.save_screenshot(picture)
finally:
    driver.quit()
