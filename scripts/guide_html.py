#!/usr/bin/python3
"""Converts the authors' guide (Markdown) into one HTML page that opens from
the file with nothing fetched: headings get the anchors the guide's own table
of contents links to, tables and code blocks as written.
    guide_html.py GUIDE.md OUTPUT.html
Needs Debian's python3-markdown (run with /usr/bin/python3)."""
import html
import re
import sys

import markdown

STYLE = """
body { font-family: sans-serif; max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.45; }
code, pre { font-family: monospace; background: #f4f4f4; }
pre { padding: 0.6em; overflow-x: auto; }
table { border-collapse: collapse; margin: 0.8em 0; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.5em; text-align: left; vertical-align: top; }
"""


def anchor(text, separator):
    """The anchor of a heading as the guide's links write it: lower case,
    punctuation dropped, blanks as hyphens."""
    text = re.sub(r"[^\w\s-]", "", text.strip().lower())
    return re.sub(r"\s", separator, text)


def plain_fences(text):
    """Code fences keep their language word only: the guide's fences also
    carry words for its own tests (```linea diagnostic=3), which the converter
    would not take for a fence."""
    return re.sub(r"^(```+)[ ]*([\w.+-]*)[^\n`]*$", r"\1\2", text, flags=re.M)


def main():
    source, output = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    title = next((line[2:].strip() for line in text.splitlines() if line.startswith("# ")), "Guide")
    body = markdown.markdown(
        plain_fences(text),
        extensions=["tables", "fenced_code", "toc"],
        extension_configs={"toc": {"slugify": anchor}},
        output_format="html5")
    page = ("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
            f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n{body}\n</body>\n</html>\n")
    with open(output, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
