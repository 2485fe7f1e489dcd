#!/usr/bin/python3
"""The benchmark's page made by Python 3 and Jinja2, as a publisher's own
script would make it: reads the project file, renders aurora.html.j2, writes
the page with CR LF line ends.

usage: jinja2_page.py PROJECT.set OUT.htm
Reads the project files the benchmark writes (items of every kind but social
posts, no multi-line PPC bodies); it is not a reader for every project file.
"""
import os
import sys

import jinja2

HERE = os.path.dirname(os.path.abspath(__file__))
MARK = "%%AFFILIATELINK%%"
LISTS = [  # variable, field, separator
    ("anchors", "AfAnchors", "$$"), ("ppc", "AfPPC", "$$"), ("banners", "AfBanners", "$$"),
    ("signatures", "AfSignatures", "^^"), ("email", "AfEmail", "^^"), ("autoemail", "AfAutoEmail", "^^"),
    ("articles", "AfArticles", "^^"), ("popups", "AfPopUps", "^^"), ("social", "AfSocialPosts", "^^"),
]


def field(text, name):
    start = text.find("<%%" + name + "%%>")
    if start < 0:
        return ""
    start += len(name) + 6
    return text[start:text.find("<%%/" + name + "%%>", start)]


def main(project_file, out_file):
    with open(project_file, encoding="utf-8", newline="") as f:
        text = f.read()
    values = {name: (field(text, tag).split(sep) if field(text, tag) else []) for name, tag, sep in LISTS}
    title = field(text, "AfTitle")
    link = field(text, "AfURL")
    code = field(text, "AfClickBankId")
    description = field(text, "AfDescription") or (
        f"Ready-made promotional material for affiliates of {title}: copy it, paste it and start earning.")
    alts = field(text, "AfBannerAlts").split("$$")
    alts += [""] * (len(values["banners"]) - len(alts))
    environment = jinja2.Environment(loader=jinja2.FileSystemLoader(HERE), autoescape=False,
                                     keep_trailing_newline=True, newline_sequence="\r\n")
    # What a text box shows is escaped for it; attribute values as plain text.
    environment.filters["box"] = lambda s: s.replace("&", "&amp;").replace("<", "&lt;")
    attribute = lambda s: s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")
    page = environment.get_template("aurora.html.j2").render(
        title=title, description=attribute(description), link=link, code="?e=" + code if code else "",
        alts=[attribute(alt) for alt in alts], mark=MARK, crlf="\r\n", **values)
    with open(out_file, "w", encoding="utf-8", newline="") as f:
        f.write(page)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
