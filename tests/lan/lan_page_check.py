"""kvt-lan's page in headless Chromium: a click switches and shows only the
read-back, the token is asked for once per tab, a VXI-11 client's set shows
in another open page, and a unit's text stays text."""
import os
import subprocess
import sys
import tempfile

from lan_servers import (START_S, first_line, free_port, lan_server, require_rpcbind, skip,
                         start, token_file)

try:
    import pyvisa
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("python3-selenium or python3-pyvisa-py is not installed")

TOKEN = "page-check-token-0123456789"
MARKUP = "<b>X</b>"
WAIT_S = 10


def browser():
    options = Options()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--window-size=1300,1000"):
        options.add_argument(argument)
    if not os.path.exists("/usr/bin/chromedriver"):
        skip("chromium-driver is not installed")
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def lamp(driver, unit, sw):
    """The position lit on the switch's row; None while none is."""
    row = driver.find_element(
        By.CSS_SELECTOR, '.unit[data-name="%s"] tr[data-switch="%s"]' % (unit, sw))
    lit = row.find_elements(By.CSS_SELECTOR, ".position.lit")
    return int(lit[0].get_attribute("data-position")) if lit else None


def wait_lamp(driver, unit, sw, position):
    WebDriverWait(driver, WAIT_S).until(lambda d: lamp(d, unit, sw) == position,
                                        "%s %s never lit %s" % (unit, sw, position))


def click(driver, unit, sw, position):
    driver.find_element(
        By.CSS_SELECTOR, '.unit[data-name="%s"] tr[data-switch="%s"] button[data-position="%d"]'
        % (unit, sw, position)).click()


def history_rows(driver):
    return [row.text for row in driver.find_elements(By.CSS_SELECTOR, "#history tr")]


def status(driver):
    return driver.find_element(By.ID, "status").text


def wire_lines(log):
    with open(log, "rb") as taken:
        return taken.read().decode(errors="replace").splitlines()


def check_page(driver, page, log, markup_name):
    driver.get(page)
    wait_lamp(driver, "PAGETWO", "A", 1)
    wait_lamp(driver, "PAGESIX", "A", 0)
    # Welcome fields from the identification document.
    WebDriverWait(driver, WAIT_S).until(lambda d: "kvt-lan" in d.find_element(By.ID, "welcome").text)
    # A unit's markup is shown as text, and no element comes of it.
    card = driver.find_element(By.CSS_SELECTOR, '.unit[data-name="%s"]' % markup_name)
    assert MARKUP in card.text and not card.find_elements(By.TAG_NAME, "b"), card.text
    driver.find_element(By.ID, "token").send_keys(TOKEN + "\n")
    # A click sets and reads back; the lamp follows the read-back.
    for unit, sw, position, command, query in (
            ("PAGETWO", "A", 2, "SETA=1", "GETA?"),
            ("PAGESIX", "B", 4, "SP6TB:STATE:4", "SP6TB:STATE?")):
        before = len(wire_lines(log))
        click(driver, unit, sw, position)
        wait_lamp(driver, unit, sw, position)
        sent = [line for line in wire_lines(log)[before:] if " <- " in line]
        wanted = [i for i, line in enumerate(sent) if line.endswith(" <- " + command)]
        assert wanted and any(line.endswith(" <- " + query) for line in sent[wanted[0]:]), sent
    # A stuck switch: the lamp stays where the unit says it stands.
    click(driver, "PAGESIX", "A", 3)
    WebDriverWait(driver, WAIT_S).until(lambda d: "did not hold" in status(d))
    assert lamp(driver, "PAGESIX", "A") == 0
    # Each click is in the history the page shows, newest first, and in the wear.
    WebDriverWait(driver, WAIT_S).until(lambda d: len(history_rows(d)) == 3)
    rows = history_rows(driver)
    assert [row.split(" ", 2)[2] for row in rows] == [
        "PAGESIX A 0 0 kvt-lan web 127.0.0.1", "PAGESIX B 0 4 kvt-lan web 127.0.0.1",
        "PAGETWO A 1 2 kvt-lan web 127.0.0.1"], rows
    WebDriverWait(driver, WAIT_S).until(
        lambda d: "PAGETWO A 1" in [row.text for row in d.find_elements(By.CSS_SELECTOR, "#wear tr")])


def check_second_page(driver, page):
    """A VXI-11 client's set shows in another tab, which asks for its own token."""
    driver.switch_to.new_window("tab")
    driver.get(page)
    wait_lamp(driver, "PAGETWO", "B", 1)
    assert driver.find_element(By.ID, "token-form").is_displayed(), "token shared across tabs"
    unit = pyvisa.ResourceManager("@py").open_resource(
        "TCPIP0::127.0.0.1::PAGETWO::INSTR", read_termination="\n", write_termination="\n")
    try:
        assert unit.query("SETB=1") == "OK"
    finally:
        unit.close()
    wait_lamp(driver, "PAGETWO", "B", 2)


def main():
    sim, lan = sys.argv[1:3]
    require_rpcbind()
    with tempfile.TemporaryDirectory() as directory:
        token = token_file(directory, TOKEN)
        log = os.path.join(directory, "wire")
        units = ["KVT0402Q,sn=PAGETWO", "KVT0206Q,sn=PAGESIX,faults=stuck:A",
                 "KVT0402Q,sn=" + MARKUP]
        with open(log, "wb") as wire:
            sim_process = start([sim, "-v", "--units", ";".join(units)], stderr=wire)
        try:
            ports = [first_line(sim_process).split()[2] for _ in units]
            markup_name = "_" + "".join(c if c.isalnum() else "_" for c in ports[2][5:])
            port = free_port()
            page = "http://127.0.0.1:%d/" % port
            options = ["--http", str(port), "--token-file", token]
            with lan_server(lan, ports, ["PAGETWO", "PAGESIX", markup_name], options) as server:
                first_line(server)
                driver = browser()
                try:
                    check_page(driver, page, log, markup_name)
                    check_second_page(driver, page)
                finally:
                    driver.quit()
        finally:
            sim_process.terminate()
            sim_process.wait(START_S)
    print("PASS")


main()
