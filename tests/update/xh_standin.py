#!/usr/bin/python3
"""Stands in for the xh downloader, which Debian does not package, in the tests.

  xh.dat --headers URL    prints the status line and the headers of a GET of URL
  xh.dat --download URL   writes the body of URL to standard output
Exits with 1 when the server cannot be reached or answers with an error status.
"""
import sys
import urllib.error
import urllib.request


def main():
    mode, url = sys.argv[1], sys.argv[2]
    try:
        with urllib.request.urlopen(url, timeout=30) as answer:
            if mode == "--headers":
                print("HTTP/1.1 %d %s" % (answer.status, answer.reason))
                for name, value in answer.getheaders():
                    print("%s: %s" % (name.lower(), value))
            else:
                while True:
                    block = answer.read(4096)
                    if not block:
                        break
                    sys.stdout.buffer.write(block)
    except (urllib.error.URLError, OSError):
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
