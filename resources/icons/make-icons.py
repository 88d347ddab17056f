#!/usr/bin/env python3
"""Writes the program's SVG icons: the normal set here and the greyed set in disabled/.

Each icon is drawn on a 32 x 32 grid with two colours, a main colour and an accent, so the
disabled set is the same drawing in two greys. Run again after changing a drawing.
"""
import os

OUTLINE = "#2e3440"
GREY_MAIN, GREY_ACCENT, GREY_OUTLINE = "#a0a4ab", "#c4c7cc", "#8a8e95"

ICONS = {
    # name: (main, accent, body with {m} main, {a} accent, {o} outline)
    "new": ("#ffffff", "#3c8d2f", """
<path d="M7 3h12l6 6v20H7z" fill="{m}" stroke="{o}" stroke-width="1.5" stroke-linejoin="round"/>
<path d="M19 3v6h6" fill="none" stroke="{o}" stroke-width="1.5" stroke-linejoin="round"/>
<path d="M16 15v10M11 20h10" stroke="{a}" stroke-width="3" stroke-linecap="round"/>"""),
    "open": ("#f2c14e", "#d99a1e", """
<path d="M3 8h9l3 3h14v16H3z" fill="{a}" stroke="{o}" stroke-width="1.5" stroke-linejoin="round"/>
<path d="M3 27l4-11h24l-2 11z" fill="{m}" stroke="{o}" stroke-width="1.5" stroke-linejoin="round"/>"""),
    "save": ("#4a78c2", "#ffffff", """
<path d="M4 4h20l4 4v20H4z" fill="{m}" stroke="{o}" stroke-width="1.5" stroke-linejoin="round"/>
<rect x="9" y="4" width="13" height="8" fill="{a}" stroke="{o}" stroke-width="1.2"/>
<rect x="8" y="17" width="16" height="11" rx="1" fill="{a}" stroke="{o}" stroke-width="1.2"/>
<path d="M11 21h10M11 24h10" stroke="{m}" stroke-width="1.2"/>"""),
    "add": ("#5b6ee1", "#3c8d2f", """
<path d="M13 23V6l12-3v16" fill="none" stroke="{m}" stroke-width="2.5" stroke-linejoin="round"/>
<ellipse cx="9.5" cy="23" rx="4" ry="3" fill="{m}"/>
<ellipse cx="21.5" cy="19" rx="4" ry="3" fill="{m}"/>
<circle cx="24" cy="25" r="6" fill="{a}" stroke="#ffffff" stroke-width="1.5"/>
<path d="M24 21.5v7M20.5 25h7" stroke="#ffffff" stroke-width="2" stroke-linecap="round"/>"""),
    "convert": ("#3a86c8", "#e07b39", """
<path d="M6 13a10 10 0 0 1 18-4" fill="none" stroke="{m}" stroke-width="3" stroke-linecap="round"/>
<path d="M26 3v8h-8z" fill="{m}"/>
<path d="M26 19a10 10 0 0 1-18 4" fill="none" stroke="{a}" stroke-width="3" stroke-linecap="round"/>
<path d="M6 29v-8h8z" fill="{a}"/>"""),
    "cancel": ("#d64541", "#ffffff", """
<circle cx="16" cy="16" r="12" fill="{m}" stroke="{o}" stroke-width="1.2"/>
<path d="M11 11l10 10M21 11L11 21" stroke="{a}" stroke-width="3.2" stroke-linecap="round"/>"""),
    "play": ("#3c8d2f", "#ffffff", """
<circle cx="16" cy="16" r="13" fill="{m}"/>
<path d="M12.5 9.5l10 6.5-10 6.5z" fill="{a}" stroke="{a}" stroke-width="1.5" stroke-linejoin="round"/>"""),
    "pause": ("#d99a1e", "#ffffff", """
<circle cx="16" cy="16" r="13" fill="{m}"/>
<rect x="11" y="9.5" width="3.6" height="13" rx="1" fill="{a}"/>
<rect x="17.4" y="9.5" width="3.6" height="13" rx="1" fill="{a}"/>"""),
    "stop": ("#50565f", "#ffffff", """
<circle cx="16" cy="16" r="13" fill="{m}"/>
<rect x="10.5" y="10.5" width="11" height="11" rx="1.5" fill="{a}"/>"""),
    "settings": ("#6b7280", "#ffffff", """
<circle cx="16" cy="16" r="10" fill="none" stroke="{m}" stroke-width="5" stroke-dasharray="3.93 3.93"/>
<circle cx="16" cy="16" r="8.5" fill="{m}"/>
<circle cx="16" cy="16" r="3.5" fill="{a}"/>"""),
    "help": ("#3a86c8", "#ffffff", """
<circle cx="16" cy="16" r="13" fill="{m}"/>
<path d="M11.5 12.5a4.5 4.5 0 1 1 6.5 4c-1.5.8-2 1.6-2 3.2" fill="none" stroke="{a}" stroke-width="3" stroke-linecap="round"/>
<circle cx="16" cy="24" r="1.9" fill="{a}"/>"""),
}

APP_ICON = """<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">
<rect x="1.5" y="1.5" width="29" height="29" rx="6" fill="#2b4c7e"/>
<path d="M5 16h2l2-6 3 12 3-15 3 18 3-13 2 6 2-2h2" fill="none" stroke="#7fd1ff" stroke-width="1.8" stroke-linejoin="round" stroke-linecap="round"/>
<path d="M19 25h8m-3-3l3 3-3 3" fill="none" stroke="#f2c14e" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>
</svg>
"""


def svg(body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">'
            + body + "\n</svg>\n")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    os.makedirs(os.path.join(here, "disabled"), exist_ok=True)
    for name, (main_colour, accent, body) in ICONS.items():
        with open(os.path.join(here, name + ".svg"), "w") as f:
            f.write(svg(body.format(m=main_colour, a=accent, o=OUTLINE)))
        grey_accent = "#ffffff" if accent == "#ffffff" else GREY_ACCENT
        grey_main = "#ffffff" if main_colour == "#ffffff" else GREY_MAIN
        with open(os.path.join(here, "disabled", name + ".svg"), "w") as f:
            f.write(svg(body.format(m=grey_main, a=grey_accent, o=GREY_OUTLINE)))
    with open(os.path.join(here, "tarnel-audio-converter.svg"), "w") as f:
        f.write(APP_ICON)


if __name__ == "__main__":
    main()
