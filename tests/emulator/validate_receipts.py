#!/usr/bin/python3
"""The receipt JSON of every fixture, as the virtual printer writes it, and of a stream with every
kind of item, is valid against docs/receipt.schema.json; a document with a wrong item is not.
The files printed by one process (--input repeated) are those printed one at a time.

Usage: validate_receipts.py VIRTUAL_PRINTER SCHEMA FIXTURES_DIR
"""
import json
import pathlib
import subprocess
import sys
import tempfile

try:
    from jsonschema import Draft202012Validator
except ImportError:
    print("python3-jsonschema is not installed")
    sys.exit(77)  # skipped

ESC, GS, FS = b"\x1b", b"\x1d", b"\x1c"


def code(cn, fn, data=b""):
    """GS ( k with its length."""
    body = bytes([cn, fn]) + data
    return GS + b"(k" + len(body).to_bytes(2, "little") + body


# Every kind of item and every optional key: italic and script text, a QR code of bytes that are
# not UTF-8, a Micro QR code, PDF417, an image, a barcode, a drawer pulse, the buzzer.
EVERY_ITEM = (ESC + b"4\x01italic" + ESC + b"4\x00" + GS + b"~\x01sup\n"
              + ESC + b"{\x01" + ESC + b"-\x01up\n" + ESC + b"{\x00"
              + code(49, 80, b"0\xc8\xc8") + code(49, 81, b"0")
              + code(49, 65, b"3\x00") + code(49, 80, b"012") + code(49, 81, b"0")
              + code(48, 80, b"0PDF417") + code(48, 81, b"0")
              + GS + b"v0\x00\x01\x00\x01\x00\xff"
              + GS + b"kI\x09{BCODE128"
              + ESC + b"p\x00\x32\xfa" + ESC + b"B\x02\x01" + GS + b"V\x01")


def main():
    program, schema_path, fixtures = sys.argv[1:4]
    schema = json.loads(pathlib.Path(schema_path).read_text())
    Draft202012Validator.check_schema(schema)
    validator = Draft202012Validator(schema)

    def receipts(path):
        out = subprocess.run([program, "--input", str(path), "--json", "-"],
                             capture_output=True, check=True).stdout
        return json.loads(out)

    failures = 0
    documents = 0
    with tempfile.TemporaryDirectory() as folder:
        every = pathlib.Path(folder, "every-item.bin")
        every.write_bytes(EVERY_ITEM)
        inputs = sorted(pathlib.Path(fixtures).glob("*.bin")) + [every]
        # All of them printed by one process, each into its own NAME.json.
        written = pathlib.Path(folder, "json")
        arguments = [program]
        for path in inputs:
            arguments += ["--input", str(path)]
        subprocess.run(arguments + ["--json", str(written)], capture_output=True, check=True)
        for path in inputs:
            document = json.loads(pathlib.Path(written, path.stem + ".json").read_text())
            if document != receipts(path):
                failures += 1
                print(f"{path.name}: printed alone, its receipts differ")
            documents += 1
            for error in validator.iter_errors(document):
                failures += 1
                print(f"{path.name}: {'/'.join(map(str, error.absolute_path))}: {error.message}")
        kinds = {item["type"] for receipt in receipts(every)["receipts"]
                 for item in receipt["items"]}
        if kinds != {"text", "code2d", "image", "barcode", "drawer", "beep"}:
            failures += 1
            print(f"every-item.bin: kinds of item {sorted(kinds)}")

        # The schema is no sieve with holes: a text item with a stray key or a wrong type fails.
        broken = receipts(every)
        broken["receipts"][0]["items"][0]["colour"] = "red"
        broken["receipts"][0]["items"][1]["bold"] = "yes"
        if len(list(validator.iter_errors(broken))) < 2:
            failures += 1
            print("a document with a wrong item passed")

    print(f"receipt schema: {documents} documents checked, {failures} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
