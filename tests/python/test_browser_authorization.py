"""A person's path, in a real browser: headless Chromium opens the page `warbler authorize`
prints, approves on the simulator's page, reads the PIN that page shows, and the PIN is typed into
the command."""

import os
import subprocess
import tempfile
import unittest

from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.wait import WebDriverWait

from support import Simulator

COMMAND = os.environ.get("WARBLER_COMMAND", "warbler")
SCREENSHOTS = os.environ.get("WARBLER_SCREENSHOTS", "")  # a folder to keep the pages' pictures in


class BrowserAuthorizationTest(unittest.TestCase):
    def test_a_person_authorizes_through_the_pages(self):
        sim = Simulator()
        home = tempfile.TemporaryDirectory()
        options = webdriver.ChromeOptions()
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=900,700",
                         "--disable-dev-shm-usage", "--no-proxy-server"):
            options.add_argument(argument)
        options.binary_location = "/usr/bin/chromium"
        browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        browser.set_page_load_timeout(30)
        env = dict(os.environ, HOME=home.name, WARBLER_API_HOST=sim.host_port(),
                   WARBLER_OAUTH_HOST=sim.host_port())
        env.pop("WARBLER_KEYS", None)
        c = sim.credentials
        command = subprocess.Popen([COMMAND, "authorize", "--consumer-key", c["consumer_key"],
                                    "--consumer-secret", c["consumer_secret"]], env=env, text=True,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            url = command.stdout.readline().strip()
            browser.get(url)
            self.assertEqual(browser.find_element(By.TAG_NAME, "h1").text,
                             "Authorize Warbler Demo to use your account?")
            self.keep("authorize", browser)
            browser.find_element(By.CSS_SELECTOR, "button[name=approve]").click()
            # The click navigates: the PIN is read once the next page is there, not during the change.
            pin = WebDriverWait(browser, 30, ignored_exceptions=(WebDriverException,)).until(
                lambda page: page.find_element(By.ID, "oauth_pin").text)
            self.assertRegex(pin, r"^[A-Za-z0-9]{20}$")
            self.assertIn("enter this PIN", browser.find_element(By.TAG_NAME, "main").text)
            self.keep("pin", browser)
            out, err = command.communicate(pin + "\n", timeout=60)
            self.assertEqual(command.returncode, 0, err)
            me = subprocess.run([COMMAND, "call", "account/verify_credentials"], env=env, capture_output=True,
                                text=True, timeout=60)
            self.assertIn("<screen_name>warbler_demo</screen_name>", me.stdout)
        finally:
            if command.poll() is None:
                command.kill()
                command.communicate()
            browser.quit()
            sim.stop()
            home.cleanup()

    @staticmethod
    def keep(name, browser):
        if SCREENSHOTS:
            browser.save_screenshot(os.path.join(SCREENSHOTS, name + ".png"))


if __name__ == "__main__":
    unittest.main()
