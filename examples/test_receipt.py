"""Prints a receipt to the virtual printer and checks what it printed."""
import json
import os
import socket
import subprocess
import time

import pytest

PRINTER = os.environ.get("VIRTUAL_PRINTER", "virtual-printer")


@pytest.fixture
def printer(tmp_path):
    process = subprocess.Popen([PRINTER, "--headless", "--listen", "127.0.0.1:0",
                                "--save", str(tmp_path)], stdout=subprocess.PIPE, text=True)
    process.stdout.readline()  # the serial port
    host, port = process.stdout.readline().split()[1].rsplit(":", 1)  # "tcp 127.0.0.1:PORT"
    yield (host, int(port)), tmp_path
    process.terminate()
    process.wait()


def print_receipt(address):
    """Your program's printing code; this one sends its ESC/POS bytes itself."""
    qr = b"https://example.com/r/1"
    receipt = (b"\x1b@" + b"\x1bE\x01Total\x1bE\x00   $3.50\n"
               + b"\x1d(k" + bytes([len(qr) + 3, 0]) + b"1P0" + qr + b"\x1d(k\x03\x001Q0"
               + b"\x1dV\x00")
    with socket.create_connection(address) as connection:
        connection.sendall(receipt)


def saved_receipt(folder, name="receipt-0001.json", seconds=10):
    path = folder / name
    deadline = time.monotonic() + seconds
    while not path.exists() and time.monotonic() < deadline:
        time.sleep(0.05)  # the printer writes it when the cut arrives
    return json.loads(path.read_text())["receipts"][0]


def test_total_and_qr_code(printer):
    address, folder = printer
    print_receipt(address)
    receipt = saved_receipt(folder)
    assert receipt["lines"][0] == "Total   $3.50"
    total = next(item for item in receipt["items"] if item.get("text") == "Total")
    assert total["bold"] and (total["x"], total["y"]) == (0, 0)
    assert {"type": "code2d", "symbology": "QR", "data": "https://example.com/r/1"}.items() \
        <= receipt["items"][2].items()
    assert receipt["cut"] == "full"
