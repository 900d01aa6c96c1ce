#!/usr/bin/env python3
"""Writes editor/app/EditorTemplate.ui, the template editor's form.

The form is mostly twelve identical knob cells; they are written here once, from their grid, together
with the hand-placed controls around them. The .ui file it writes is checked in and is what the build
compiles (AUTOUIC): change this script, run it, and commit both.

    editor/app/tools/template_form.py [OUTPUT]
"""

import os
import sys
from xml.sax.saxutils import escape

# Characters 33..125 except those in between that the bracket expression spells out as ranges; the
# backslash and the closing bracket are escaped.
VALIDATOR_NO_BLANK = "[!\"#$%&'()*+,-./0-9:;<=>?@A-Z[\\\\\\]^_`a-z{|}]*"
VALIDATOR_WITH_BLANK = "[ " + VALIDATOR_NO_BLANK[1:]

F8 = ("Telvor EBM 8", 8, "NoAntialias")
F10 = ("Telvor EBM 10", 10, "NoAntialias")
FX = ("Telvor EBM8 Expanded", None, None)

COLUMNS = "ABCD"
ROWS = (1, 2, 3)


class Widget:
    def __init__(self, cls, name, geometry, props=(), children=()):
        self.cls = cls
        self.name = name
        self.geometry = geometry
        self.props = list(props)
        self.children = list(children)


# ---- property writers: each returns the lines of one <property> element -----------------------------


def prop(name, body):
    return [f'<property name="{name}">', *[" " + line for line in body], "</property>"]


def string(name, text):
    return prop(name, [f"<string>{escape(text, {chr(34): '&quot;'})}</string>" if text else "<string/>"])


def pixmap(name, path):
    return prop(name, [f"<pixmap>{path}</pixmap>"])


def boolean(name, value):
    return prop(name, [f"<bool>{'true' if value else 'false'}</bool>"])


def number(name, value):
    return prop(name, [f"<number>{value}</number>"])


def enum(name, value):
    return prop(name, [f"<enum>{value}</enum>"])


def flags(name, value):
    return prop(name, [f"<set>{value}</set>"])


def font(spec):
    family, size, strategy = spec
    body = ["<font>", f" <family>{family}</family>"]
    if size is not None:
        body.append(f" <pointsize>{size}</pointsize>")
    if strategy is not None:
        body.append(f" <stylestrategy>{strategy}</stylestrategy>")
    body.append("</font>")
    return prop("font", body)


def palette(roles):
    """roles: {group: [(role, (r, g, b)), ...]} for the groups active, inactive, disabled."""
    body = ["<palette>"]
    for group in ("active", "inactive", "disabled"):
        body.append(f" <{group}>")
        for role, (r, g, b) in roles.get(group, []):
            body += [
                f'  <colorrole role="{role}">',
                '   <brush brushstyle="SolidPattern">',
                '    <color alpha="255">',
                f"     <red>{r}</red>",
                f"     <green>{g}</green>",
                f"     <blue>{b}</blue>",
                "    </color>",
                "   </brush>",
                "  </colorrole>",
            ]
        body.append(f" </{group}>")
    body.append("</palette>")
    return prop("palette", body)


def text_colour(active, disabled=None):
    disabled = active if disabled is None else disabled
    return palette({
        "active": [("Text", active)],
        "inactive": [("Text", active)],
        "disabled": [("Text", disabled)],
    })


def picture_button(path):
    return [pixmap("combinedImage", path), boolean("hasDownImage", False)]


CENTRED = flags("alignment", "Qt::AlignHCenter|Qt::AlignVCenter")

# ---- the form ---------------------------------------------------------------------------------------


def knob_cells():
    """The LCD's twelve cells in knob order (A1, B1, C1, D1, A2, ...): labels and texts, then buttons."""
    knobs = [(c, r) for r in ROWS for c in range(len(COLUMNS))]
    cells = []
    buttons = []
    for c, r in knobs:
        knob = f"{COLUMNS[c]}{r}"
        x = 1 + 84 * c
        y = 22 + 49 * (r - 1)
        cells.append(Widget("CFrame", f"lblKnob{knob}", (x, y, 71, 23), [
            enum("focusPolicy", "Qt::NoFocus"),
            pixmap("backgroundPixmap", ":/images/t51m_lcd_panel.png"),
        ]))
        cells.append(Widget("CText", f"txtKnob{knob}", (x, y + 1, 71, 21), [
            boolean("enabled", False),
            text_colour((18, 38, 142), (0, 0, 0)),
            CENTRED,
        ]))
        # D1's button sits one pixel above its cell.
        button_y = 21 if knob == "D1" else y
        props = [boolean("acceptDrops", True)]
        if knob == "A1":
            props += [font(FX), boolean("checked", True)]
        buttons.append(Widget("CRadioButton", f"btnKnob{knob}", (x, button_y, 71, 23), props))
    return cells + buttons


def form():
    template_name_palette = palette({
        "active": [("Text", (0, 77, 177)), ("Highlight", (0, 77, 177)), ("HighlightedText", (192, 209, 236))],
        "inactive": [("Text", (0, 77, 177)), ("Highlight", (0, 77, 177)), ("HighlightedText", (192, 209, 236))],
        "disabled": [("Text", (18, 38, 142)), ("Highlight", (18, 38, 142)), ("HighlightedText", (18, 38, 142))],
    })
    return [
        Widget("CText", "txtFileName", (63, 2, 234, 13), [text_colour((32, 18, 0))]),
        Widget("COnOffButton", "btnTemplate", (278, 24, 19, 19), picture_button(":/images/dw_nsw_popup_s.png")),
        Widget("COnOffButton", "btnQPXiName", (417, 24, 19, 19), picture_button(":/images/dw_nsw_popup_s.png")),
        Widget("COnOffButton", "btnLibrary", (390, 2, 46, 14), picture_button(":/images/dw_tsw_lib_open.png")),
        Widget("CSpinButton", "btnTemplateNumber", (258, 24, 19, 19), [
            enum("orientation", "Qt::Horizontal"),
            pixmap("combinedImage", ":/images/dw_nsw_inc_dec_l.png"),
            string("namedAddress", "currentTemplateNumber"),
        ]),
        Widget("QLabel", "lblStoreFlash", (338, 1, 48, 16), [string("text", "")]),
        Widget("CLineEdit", "editQPXiName", (340, 27, 73, 14), [
            number("maxLength", 12),
            string("validatorRegExp", VALIDATOR_NO_BLANK),
            string("namedAddress", "qpxiName"),
        ]),
        Widget("COnOffButton", "btnStore", (339, 2, 46, 14),
               [boolean("enabled", True)] + picture_button(":/images/t51m_nsw_store.png")),
        Widget("QLabel", "lblBankEditFlag", (312, 4, 9, 9),
               [string("text", ""), pixmap("pixmap", ":/images/bram_led_edit_t.png")]),
        Widget("QLabel", "lblFileEditFlag", (325, 4, 9, 9),
               [string("text", ""), pixmap("pixmap", ":/images/t51m_led_edit_f.png")]),
        Widget("CText", "txtTemplateNumber", (9, 27, 106, 14), [text_colour((180, 198, 231)), font(F10)]),
        Widget("CLineEdit", "editTemplateName", (118, 27, 135, 14), [
            template_name_palette,
            font(F10),
            number("maxLength", 13),
            string("validatorRegExp", VALIDATOR_WITH_BLANK),
            string("namedAddress", "templateName"),
        ]),
        Widget("QWidget", "frameControllerSetting", (0, 266, 442, 136), children=[
            Widget("COnOffButton", "btnRemoteControlParameter", (202, 38, 19, 18),
                   picture_button(":/images/dw_nsw_popup.png")),
            Widget("CTextSlider", "txtCCNumber", (278, 40, 44, 15), [
                enum("orientation", "Qt::Horizontal"),
                CENTRED,
                string("namedAddress", "knobA1/ccNumber"),
            ]),
            Widget("CSpinButton", "spinCCNumber", (325, 38, 19, 18), [
                enum("orientation", "Qt::Horizontal"),
                pixmap("combinedImage", ":/images/dw_nsw_inc_dec_s.png"),
                string("namedAddress", "knobA1/ccNumber"),
            ]),
            Widget("COnOffButton", "btnCCNumberAndDisplayName", (413, 38, 19, 18),
                   picture_button(":/images/dw_nsw_popup.png")),
            Widget("CLineEdit", "txtRemoteControlParameter", (54, 40, 146, 15), [
                enum("contextMenuPolicy", "Qt::NoContextMenu"),
                boolean("readOnly", True),
            ]),
            Widget("CFrame", "lblRemote", (8, 22, 38, 106), [
                enum("focusPolicy", "Qt::NoFocus"),
                pixmap("backgroundPixmap", ":/images/t51m_bak_remote.png"),
            ]),
            Widget("COnOffButton", "btnRemotePanel", (8, 22, 38, 111)),
            Widget("CFrame", "lblCC", (230, 22, 38, 106), [
                enum("focusPolicy", "Qt::NoFocus"),
                pixmap("backgroundPixmap", ":/images/t51m_bak_cc.png"),
            ]),
            Widget("QWidget", "frameDisplayFormat", (325, 110, 107, 18), children=[
                Widget("CRadioButton", "btnMinus64to63", (88, 0, 19, 18), [
                    number("onValue", 1),
                    pixmap("combinedImage", ":/images/bram_tsw_radiobtn.png"),
                    string("namedAddress", "knobA1/displayFormat"),
                ]),
                Widget("CRadioButton", "btn0to127", (0, 0, 19, 18), [
                    boolean("checked", True),
                    pixmap("combinedImage", ":/images/bram_tsw_radiobtn.png"),
                    string("namedAddress", "knobA1/displayFormat"),
                ]),
            ]),
            Widget("COnOffButton", "btnCCPanel", (230, 22, 38, 106)),
            Widget("CLineEdit", "editDisplayName", (277, 74, 123, 15), [
                number("maxLength", 15),
                string("validatorRegExp", VALIDATOR_WITH_BLANK),
                string("namedAddress", "knobA1/displayName"),
            ]),
        ]),
        Widget("QWidget", "frameControllerPanel", (0, 54, 442, 207), children=[
            Widget("QWidget", "frameRemoteCC", (13, 26, 55, 18), children=[
                Widget("CRadioButton", "btnCC", (36, 0, 19, 18), [
                    number("onValue", 1),
                    pixmap("combinedImage", ":/images/bram_tsw_radiobtn_cc_rem.png"),
                    string("namedAddress", "controlType"),
                ]),
                Widget("CRadioButton", "btnRemote", (0, 0, 19, 18), [
                    boolean("checked", True),
                    pixmap("combinedImage", ":/images/bram_tsw_radiobtn_cc_rem.png"),
                    string("namedAddress", "controlType"),
                ]),
            ]),
            Widget("QWidget", "frameLCD", (81, 40, 341, 161), children=knob_cells()),
        ]),
    ]


CONNECTIONS = [
    ("btnRemotePanel", "clicked()", "btnRemote", "click()"),
    ("btnCCPanel", "clicked()", "btnCC", "click()"),
    ("txtCCNumber", "actionTriggered(int)", "btnCC", "click()"),
    ("spinCCNumber", "actionTriggered(int)", "btnCC", "click()"),
    ("editDisplayName", "accepted()", "btnCC", "click()"),
    ("btn0to127", "clicked()", "btnCC", "click()"),
    ("btnMinus64to63", "clicked()", "btnCC", "click()"),
]

CUSTOM_WIDGETS = [
    ("CFrame", "QFrame", True),
    ("CText", "QWidget", False),
    ("COnOffButton", "QPushButton", False),
    ("CRadioButton", "QRadioButton", False),
    ("CSpinButton", "QAbstractSlider", False),
    ("CTextSlider", "QAbstractSlider", False),
    ("CLineEdit", "QLineEdit", False),
]


def geometry(rect):
    x, y, w, h = rect
    return prop("geometry", ["<rect>", f" <x>{x}</x>", f" <y>{y}</y>", f" <width>{w}</width>",
                             f" <height>{h}</height>", "</rect>"])


def widget_lines(widget):
    lines = [f'<widget class="{widget.cls}" name="{widget.name}">']
    body = geometry(widget.geometry)
    for p in widget.props:
        body += p
    for child in widget.children:
        body += widget_lines(child)
    lines += [" " + line for line in body]
    lines.append("</widget>")
    return lines


def document():
    view = Widget("CFrame", "EditorTemplate", (0, 0, 442, 402), [
        prop("sizePolicy", ['<sizepolicy hsizetype="Fixed" vsizetype="Fixed">', " <horstretch>0</horstretch>",
                            " <verstretch>0</verstretch>", "</sizepolicy>"]),
        font(F8),
        string("windowTitle", "Template"),
        pixmap("backgroundPixmap", ":/images/bram_bak_main.png"),
    ], form())
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<ui version="4.0">']
    inner = ["<class>EditorTemplate</class>"] + widget_lines(view)
    inner.append("<customwidgets>")
    for cls, base, container in CUSTOM_WIDGETS:
        inner += [" <customwidget>", f"  <class>{cls}</class>", f"  <extends>{base}</extends>",
                  f"  <header>{cls}.h</header>"]
        if container:
            inner.append("  <container>1</container>")
        inner.append(" </customwidget>")
    inner += ["</customwidgets>", "<resources/>", "<connections>"]
    for sender, signal, receiver, slot in CONNECTIONS:
        inner += [" <connection>", f"  <sender>{sender}</sender>", f"  <signal>{signal}</signal>",
                  f"  <receiver>{receiver}</receiver>", f"  <slot>{slot}</slot>", " </connection>"]
    inner.append("</connections>")
    lines += [" " + line for line in inner]
    lines.append("</ui>")
    return "\n".join(lines) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "EditorTemplate.ui")
    with open(output, "w", encoding="utf-8") as out:
        out.write(document())


if __name__ == "__main__":
    main()
