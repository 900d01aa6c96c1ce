// Draws the editor's pictures (window and panel backgrounds, combined button images, lamps, icons) as PNG
// files into the folder given on the command line. Runs at build time on an offscreen GUI application.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

// The scheme the editor's style uses: dark brown ink on grey, green for what is active.
const QColor Ink(24, 15, 2);
const QColor DarkGrey(102, 102, 102);
const QColor Green(0, 204, 0);
const QColor BrightGreen(0, 255, 0);
const QColor Body(58, 56, 54);
const QColor BodyDark(38, 36, 34);
const QColor Plate(78, 76, 73);
const QColor Field(28, 26, 24);
// The forms draw their texts in two greys: (55, 55, 55) on light fields and (152, 152, 152) on dark plates.
// The panels' plates and fields take these so that either text reaches a contrast of 4.5:1 or more.
const QColor PanelPlate(38, 36, 34);
const QColor PanelTitle(22, 21, 20);
const QColor TextField(204, 204, 204);
const QColor LabelText(200, 200, 200);
const QColor LcdBack(150, 166, 196);
const QColor LcdLit(200, 216, 242);
const QColor LcdDark(18, 38, 80);
const QColor Red(220, 40, 30);
const QColor ErrorRed(255, 90, 80);
const QColor Amber(240, 170, 0);

QString g_outDir;
int g_failures = 0;

QImage blank(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void save(const QImage& image, const char* name)
{
    const QString path = g_outDir + QLatin1Char('/') + QLatin1String(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(path));
        ++g_failures;
    }
}

QFont uiFont(int pixelSize, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void text(QPainter& p, const QRect& r, const QString& s, const QColor& c, int pixelSize, bool bold = false,
          int flags = Qt::AlignCenter)
{
    p.save();
    p.setFont(uiFont(pixelSize, bold));
    p.setPen(c);
    p.drawText(r, flags, s);
    p.restore();
}

void frame(QPainter& p, const QRect& r, const QColor& c)
{
    p.save();
    p.setPen(QPen(c, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}

void box(QPainter& p, const QRect& r, const QColor& fill, const QColor& edge)
{
    p.fillRect(r, fill);
    frame(p, r, edge);
}

void triangle(QPainter& p, const QRectF& r, Qt::ArrowType dir, const QColor& c)
{
    QPolygonF poly;
    const QPointF center = r.center();
    const qreal hw = r.width() / 2;
    const qreal hh = r.height() / 2;
    switch (dir) {
    case Qt::UpArrow:
        poly << QPointF(center.x() - hw, center.y() + hh) << QPointF(center.x() + hw, center.y() + hh)
             << QPointF(center.x(), center.y() - hh);
        break;
    case Qt::DownArrow:
        poly << QPointF(center.x() - hw, center.y() - hh) << QPointF(center.x() + hw, center.y() - hh)
             << QPointF(center.x(), center.y() + hh);
        break;
    case Qt::LeftArrow:
        poly << QPointF(center.x() + hw, center.y() - hh) << QPointF(center.x() + hw, center.y() + hh)
             << QPointF(center.x() - hw, center.y());
        break;
    default:
        poly << QPointF(center.x() - hw, center.y() - hh) << QPointF(center.x() - hw, center.y() + hh)
             << QPointF(center.x() + hw, center.y());
        break;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(poly);
    p.restore();
}

// The three looks of a button face: 0 off, 1 on (or pressed when the picture has no pressed row), 2 pressed.
struct Look
{
    QColor fill;
    QColor edge;
    QColor ink;
};

Look lookFor(int state)
{
    switch (state) {
    case 1:
        return {QColor(30, 60, 30), Green, Green};
    case 2:
        return {Ink, Green, BrightGreen};
    default:
        return {Plate, DarkGrey, LabelText};
    }
}

// A combined image: `columns` categories side by side, `rows` states top to bottom, each cell w x h and drawn
// by face(painter, cell rectangle, column, row).
QImage combined(int w, int h, int columns, int rows,
                const std::function<void(QPainter&, const QRect&, int, int)>& face)
{
    QImage image = blank(w * columns, h * rows);
    QPainter p(&image);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            face(p, QRect(column * w, row * h, w, h), column, row);
        }
    }
    return image;
}

void labelButtons()
{
    struct Entry
    {
        const char* name;
        int w;
        int h;
        const char* label;
    };
    const Entry entries[] = {
        {"dw_nsw_yes.png", 51, 15, "YES"},          {"dw_nsw_no.png", 51, 15, "NO"},
        {"dw_nsw_ok.png", 51, 15, "OK"},            {"dw_nsw_cancel.png", 51, 15, "CANCEL"},
        {"dw_nsw_start.png", 51, 15, "START"},      {"dw_nsw_retry.png", 51, 15, "RETRY"},
        {"dw_tsw_lib_open.png", 46, 14, "LIBRARY"}, {"t51m_nsw_store.png", 46, 14, "STORE"},
        {"t51m_nsw_lib_import.png", 46, 14, "IMPORT"}, {"t51m_nsw_cancel_2.png", 46, 14, "CANCEL"},
        {"t51m_nsw_ok_2.png", 46, 14, "OK"},
    };
    for (const Entry& e : entries) {
        save(combined(e.w, e.h, 1, 2,
                      [&](QPainter& p, const QRect& r, int, int row) {
                          const Look look = lookFor(row);
                          box(p, r, look.fill, look.edge);
                          text(p, r, QLatin1String(e.label), look.ink, 9, true);
                      }),
             e.name);
    }
}

void glyphButtons()
{
    // Title-bar buttons: close, minimise, keep in front.
    const auto titleButton = [](const char* name, int glyph) {
        save(combined(15, 15, 1, 2,
                      [&](QPainter& p, const QRect& r, int, int row) {
                          const Look look = lookFor(row);
                          box(p, r.adjusted(1, 1, -1, -1), look.fill, look.edge);
                          p.save();
                          p.setPen(QPen(look.ink, 2));
                          const QRect g = r.adjusted(5, 5, -5, -5);
                          if (glyph == 0) {
                              p.drawLine(g.topLeft(), g.bottomRight() + QPoint(1, 1));
                              p.drawLine(g.topRight() + QPoint(1, 0), g.bottomLeft() + QPoint(0, 1));
                          } else if (glyph == 1) {
                              p.drawLine(g.left(), g.bottom(), g.right() + 1, g.bottom());
                          } else {
                              p.setPen(QPen(look.ink, 1));
                              p.drawRect(g.adjusted(0, 0, 0, 0));
                              p.drawLine(g.left(), g.top() + 1, g.right(), g.top() + 1);
                          }
                          p.restore();
                      }),
             name);
    };
    titleButton("dw_nsw_window.png", 0);
    titleButton("dw_nsw_window_small.png", 1);
    titleButton("dw_nsw_window_front.png", 2);
    titleButton("dw_nsw_close.png", 0);

    // Pop-up buttons: a small field with a downward triangle.
    const auto popupButton = [](const char* name, int w, int h) {
        save(combined(w, h, 1, 2,
                      [&](QPainter& p, const QRect& r, int, int row) {
                          const Look look = lookFor(row);
                          box(p, r.adjusted(1, 1, -1, -1), look.fill, look.edge);
                          triangle(p, QRectF(r.center().x() - 3.5, r.center().y() - 2, 8, 5), Qt::DownArrow, look.ink);
                      }),
             name);
    };
    popupButton("dw_nsw_popup_s.png", 19, 19);
    popupButton("dw_nsw_popup.png", 19, 18);

    // File button: a folder outline.
    save(combined(19, 19, 1, 2,
                  [](QPainter& p, const QRect& r, int, int row) {
                      const Look look = lookFor(row);
                      box(p, r.adjusted(1, 1, -1, -1), look.fill, look.edge);
                      p.save();
                      p.setPen(look.ink);
                      p.drawRect(r.left() + 4, r.top() + 7, 10, 7);
                      p.drawLine(r.left() + 4, r.top() + 6, r.left() + 8, r.top() + 6);
                      p.restore();
                  }),
         "t51m_nsw_file.png");

    // Pull-down: an outline over the whole field with the triangle at its right end; the inside stays clear
    // so the text under it shows.
    save(combined(265, 18, 1, 2,
                  [](QPainter& p, const QRect& r, int, int row) {
                      const Look look = lookFor(row);
                      frame(p, r.adjusted(0, 0, 0, 0), look.edge);
                      const QRect arrow(r.right() - 17, r.top() + 1, 17, r.height() - 2);
                      p.fillRect(arrow, look.fill);
                      triangle(p, QRectF(arrow.center().x() - 3.5, arrow.center().y() - 2, 8, 5), Qt::DownArrow,
                               look.ink);
                  }),
         "dw_nsw_pulldown.png");

    // Size button: column 0 enlarges (shown in the small layout), column 1 shrinks.
    save(combined(19, 10, 2, 2,
                  [](QPainter& p, const QRect& r, int column, int row) {
                      const Look look = lookFor(row);
                      box(p, r, look.fill, look.edge);
                      triangle(p, QRectF(r.center().x() - 3, r.center().y() - 2, 7, 4),
                               column == 0 ? Qt::DownArrow : Qt::UpArrow, look.ink);
                  }),
         "t51m_tsw_size.png");
}

void spinButtons()
{
    // Three rows: idle, upper half pressed, lower half pressed.
    const auto spin = [](const char* name, int w, int h) {
        save(combined(w, h, 1, 3,
                      [&](QPainter& p, const QRect& r, int, int row) {
                          const QRect upper(r.left(), r.top(), r.width(), r.height() / 2);
                          const QRect lower(r.left(), r.top() + r.height() / 2, r.width(), r.height() - r.height() / 2);
                          const Look up = lookFor(row == 1 ? 2 : 0);
                          const Look down = lookFor(row == 2 ? 2 : 0);
                          box(p, upper.adjusted(1, 1, -1, 0), up.fill, up.edge);
                          box(p, lower.adjusted(1, 0, -1, -1), down.fill, down.edge);
                          triangle(p, QRectF(upper.center().x() - 3, upper.center().y() - 1.5, 7, 4), Qt::UpArrow, up.ink);
                          triangle(p, QRectF(lower.center().x() - 3, lower.center().y() - 1.5, 7, 4), Qt::DownArrow,
                                   down.ink);
                      }),
             name);
    };
    spin("dw_nsw_inc_dec_l.png", 19, 19);
    spin("dw_nsw_inc_dec_s.png", 19, 18);
}

void radioButtons()
{
    // Three rows: off, on, pressed. The display-format buttons are round, the control-type buttons square.
    const auto radio = [](const char* name, bool round) {
        save(combined(19, 18, 1, 3,
                      [&](QPainter& p, const QRect& r, int, int row) {
                          const QRect outer(r.center().x() - 6, r.center().y() - 6, 13, 13);
                          const QRect inner = outer.adjusted(3, 3, -3, -3);
                          p.save();
                          p.setRenderHint(QPainter::Antialiasing, round);
                          p.setPen(QPen(row == 0 ? DarkGrey : Green, 1));
                          p.setBrush(Field);
                          if (round) {
                              p.drawEllipse(QRectF(outer).adjusted(0.5, 0.5, -0.5, -0.5));
                          } else {
                              p.drawRect(outer.adjusted(0, 0, -1, -1));
                          }
                          if (row > 0) {
                              p.setPen(Qt::NoPen);
                              p.setBrush(row == 1 ? Green : BrightGreen);
                              if (round) {
                                  p.drawEllipse(inner);
                              } else {
                                  p.drawRect(inner);
                              }
                          }
                          p.restore();
                      }),
             name);
    };
    radio("bram_tsw_radiobtn.png", true);
    radio("bram_tsw_radiobtn_cc_rem.png", false);
}

void lamps()
{
    const auto led = [](const char* name, const QColor& c) {
        QImage image = blank(9, 9);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(c.darker(160), 1));
        p.setBrush(c);
        p.drawEllipse(QRectF(0.5, 0.5, 8, 8));
        save(image, name);
    };
    led("bram_led_edit_t.png", Amber);
    led("t51m_led_edit_f.png", Red);

    QImage online = blank(87, 7);
    {
        QPainter p(&online);
        p.fillRect(0, 0, 87, 7, QColor(0, 60, 0));
        p.fillRect(1, 1, 85, 5, Green);
        p.fillRect(2, 2, 83, 1, BrightGreen);
    }
    save(online, "t51m_led_online.png");

    // The light strip slides across the transfer panels: bright in the middle, fading to both ends.
    QImage strip = blank(40, 10);
    {
        QPainter p(&strip);
        QLinearGradient g(0, 0, 40, 0);
        g.setColorAt(0, QColor(0, 204, 0, 0));
        g.setColorAt(0.5, BrightGreen);
        g.setColorAt(1, QColor(0, 204, 0, 0));
        p.fillRect(0, 2, 40, 6, g);
    }
    save(strip, "bram_led_autosync.png");

    // The glow behind the store button; the view fades it in and out from its alpha channel.
    QImage glow = blank(48, 16);
    {
        QPainter p(&glow);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(BrightGreen, 2));
        p.setBrush(QColor(0, 204, 0, 90));
        p.drawRoundedRect(QRectF(1, 1, 46, 14), 3, 3);
    }
    save(glow, "t51m_btn_back_store.png");

    QImage lcd = blank(71, 23);
    {
        QPainter p(&lcd);
        box(p, QRect(0, 0, 71, 23), LcdLit, QColor(18, 38, 142));
    }
    save(lcd, "t51m_lcd_panel.png");

    QImage error = blank(263, 16);
    {
        QPainter p(&error);
        text(p, QRect(0, 0, 263, 16), QStringLiteral("Communication error. Check the MIDI port."), ErrorRed, 10, true);
    }
    save(error, "t51m_txt_error.png");

    // Pointer: a plain arrow with its hot spot at the top-left corner.
    QImage arrow = blank(16, 16);
    {
        QPainter p(&arrow);
        p.setRenderHint(QPainter::Antialiasing, true);
        QPolygonF poly;
        poly << QPointF(0.5, 0.5) << QPointF(0.5, 13) << QPointF(4, 10) << QPointF(6.5, 15) << QPointF(8.5, 14)
             << QPointF(6, 9) << QPointF(10.5, 9) << QPointF(0.5, 0.5);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::black);
        p.drawPolygon(poly);
    }
    save(arrow, "dw_arrow.png");
}

void sidePanels()
{
    // Tall labels at the left of the knob settings: which kind of assignment the panel edits.
    const auto side = [](const char* name, int h, const QString& label, bool lit) {
        QImage image = blank(38, h);
        QPainter p(&image);
        box(p, image.rect(), lit ? QColor(30, 60, 30) : Plate, lit ? Green : DarkGrey);
        p.save();
        p.translate(19, h / 2);
        p.rotate(-90);
        text(p, QRect(-h / 2, -19, h, 38), label, lit ? Green : LabelText, 10, true);
        p.restore();
        save(image, name);
    };
    side("t51m_bak_remote.png", 106, QStringLiteral("DAW PARAM"), true);
    side("t51m_bak_cc.png", 106, QStringLiteral("MIDI CC"), true);
    side("t51m_bak_lib_remote_off.png", 132, QStringLiteral("DAW PARAM"), false);
}

void windowBackgrounds()
{
    const auto window = [](const char* name, int h, int viewHeight) {
        QImage image = blank(470, h);
        QPainter p(&image);
        box(p, image.rect(), Body, BodyDark);
        p.fillRect(1, 1, 468, 28, BodyDark);
        text(p, QRect(190, 6, 266, 16), QStringLiteral("Knobwright"), LabelText, 12, true,
             Qt::AlignRight | Qt::AlignVCenter);
        box(p, QRect(13, 47, 444, viewHeight + 2), Field, Ink);
        save(image, name);
    };
    window("zelk_bak_1.png", 465, 402);
    window("zelk_bak_s.png", 324, 261);
}

void templateBackground()
{
    QImage image = blank(442, 402);
    QPainter p(&image);
    p.fillRect(image.rect(), Body);
    // Top row: file name, edit lamps, store and library buttons. The file name is dark text on a light
    // field, the template number light text on a dark one.
    box(p, QRect(60, 1, 240, 15), LcdBack, Ink);
    p.fillRect(0, 20, 442, 28, BodyDark);
    box(p, QRect(7, 25, 110, 18), LcdDark, Ink);
    box(p, QRect(116, 25, 139, 18), LcdBack, Ink);
    box(p, QRect(338, 25, 77, 18), LcdBack, Ink);
    text(p, QRect(300, 25, 36, 18), QStringLiteral("QPXi"), LabelText, 9, true);
    // Control-type switch and the LCD of the twelve knobs.
    box(p, QRect(4, 56, 434, 203), Plate, BodyDark);
    // Captions over the two control-type buttons (at x 13 and 49, y 80).
    text(p, QRect(4, 64, 36, 14), QStringLiteral("DAW"), LabelText, 9, true);
    text(p, QRect(40, 64, 36, 14), QStringLiteral("CC"), LabelText, 9, true);
    box(p, QRect(79, 92, 345, 165), LcdBack, Ink);
    for (int c = 0; c < 4; ++c) {
        text(p, QRect(81 + 1 + 84 * c, 95, 71, 14), QString(QChar(QLatin1Char('A' + c))), QColor(18, 38, 142), 10,
             true);
    }
    // Knob settings.
    box(p, QRect(4, 266, 434, 134), Plate, BodyDark);
    text(p, QRect(54, 268, 146, 14), QStringLiteral("Parameter"), LabelText, 9, true, Qt::AlignLeft | Qt::AlignVCenter);
    text(p, QRect(278, 268, 70, 14), QStringLiteral("CC No."), LabelText, 9, true, Qt::AlignLeft | Qt::AlignVCenter);
    // The parameter name, the CC number and the display name are drawn in dark text on these fields.
    box(p, QRect(52, 304, 150, 19), LcdBack, Ink);
    box(p, QRect(276, 304, 48, 19), LcdBack, Ink);
    text(p, QRect(277, 325, 123, 14), QStringLiteral("Display Name"), LabelText, 9, true,
         Qt::AlignLeft | Qt::AlignVCenter);
    box(p, QRect(275, 338, 127, 19), LcdBack, Ink);
    // The display-format buttons sit at x 325 and 413, y 376.
    text(p, QRect(325, 362, 110, 14), QStringLiteral("Display Format"), LabelText, 9, true,
         Qt::AlignLeft | Qt::AlignVCenter);
    text(p, QRect(346, 376, 40, 18), QStringLiteral("0..127"), LabelText, 8, false, Qt::AlignLeft | Qt::AlignVCenter);
    text(p, QRect(372, 376, 40, 18), QStringLiteral("-64..63"), LabelText, 8, false,
         Qt::AlignRight | Qt::AlignVCenter);
    save(image, "bram_bak_main.png");
}

void libraryBackground()
{
    QImage image = blank(442, 402);
    QPainter p(&image);
    p.fillRect(image.rect(), Body);
    box(p, QRect(8, 23, 157, 17), Field, Ink);
    text(p, QRect(275, 22, 140, 16), QStringLiteral("Templates"), LabelText, 10, true,
         Qt::AlignLeft | Qt::AlignVCenter);
    box(p, QRect(5, 38, 220, 196), Field, Ink);
    box(p, QRect(223, 36, 220, 200), Field, Ink);
    box(p, QRect(4, 244, 434, 156), Plate, BodyDark);
    text(p, QRect(52, 262, 40, 14), QStringLiteral("QPXi"), LabelText, 9, true);
    for (int row = 0; row < 3; ++row) {
        for (int c = 0; c < 4; ++c) {
            const int y = 242 + (row == 0 ? 56 : row == 1 ? 92 : 127);
            box(p, QRect(104 + 84 * c - 1, y - 1, 73, 23), LcdBack, Ink);
        }
    }
    save(image, "bram_bak_library.png");
}

// A panel: the dialog plate over the view, its title, optional lines of text and the light fields that the
// form's dark texts stand on.
void panel(const char* name, const QString& title, const QStringList& lines, int linesTop, const QList<QRect>& fields = {})
{
    QImage image = blank(442, 419);
    QPainter p(&image);
    p.fillRect(image.rect(), QColor(20, 19, 18, 200));
    box(p, QRect(58, 86, 326, 226), PanelPlate, Ink);
    p.fillRect(59, 87, 324, 31, PanelTitle);
    text(p, QRect(90, 92, 270, 20), title, LabelText, 12, true, Qt::AlignLeft | Qt::AlignVCenter);
    int y = linesTop;
    for (const QString& line : lines) {
        text(p, QRect(70, y, 302, 16), line, LabelText, 11, false);
        y += 17;
    }
    for (const QRect& f : fields) {
        box(p, f, TextField, Ink);
    }
    save(image, name);
}

void panelBackgrounds()
{
    // The three lines of the About panel, and the scan panel's message, light strip and file line.
    panel("zelk_bak_about.png", QStringLiteral("About"), {QStringLiteral("Knobwright")}, 160,
          {QRect(64, 206, 314, 58)});
    panel("zelk_bak_start.png", QStringLiteral("Plug-in Scan"), {}, 0, {QRect(87, 208, 271, 40)});
    panel("bram_bak_save_change.png", QStringLiteral("Save"), {}, 0);
    panel("bram_bak_port_error.png", QStringLiteral("MIDI Port Error"), {QStringLiteral("Could not open the port:")},
          180);
    panel("bram_bak_rename_caution.png", QStringLiteral("MIDI Port"), {}, 0);
    panel("bram_bak_reset_stored.png", QStringLiteral("Reset to Stored Data"),
          {QStringLiteral("Discard the edits of this bank"), QStringLiteral("and return to the stored data?")}, 190);
    panel("bram_bak_reset_factoryset.png", QStringLiteral("Reset to Factory Settings"),
          {QStringLiteral("Replace the templates with"), QStringLiteral("the factory settings?")}, 190);
    panel("bram_bak_reset_original.png", QStringLiteral("Reset to Original Data"),
          {QStringLiteral("Return to the data received"), QStringLiteral("from the synthesizer at start-up?")}, 190);
    panel("bram_bak_exit_anyway.png", QStringLiteral("Confirm"), {}, 0);
    const QList<QRect> portField{QRect(89, 149, 265, 18)};
    panel("bram_bak_autosync.png", QStringLiteral("Auto Sync"), {}, 0, portField);
    panel("bram_bak_set.png", QStringLiteral("Setup"), {}, 0, {QRect(89, 149, 265, 18), QRect(89, 197, 265, 18)});
    // The field captions of the two panels that choose a port or a DAW.
    for (const char* name : {"bram_bak_autosync.png", "bram_bak_set.png"}) {
        QImage image(g_outDir + QLatin1Char('/') + QLatin1String(name));
        QPainter p(&image);
        text(p, QRect(89, 133, 200, 14), QStringLiteral("MIDI Port"), LabelText, 10, true,
             Qt::AlignLeft | Qt::AlignVCenter);
        if (QLatin1String(name) == QLatin1String("bram_bak_set.png")) {
            text(p, QRect(89, 181, 200, 14), QStringLiteral("DAW"), LabelText, 10, true, Qt::AlignLeft | Qt::AlignVCenter);
        }
        p.end();
        save(image, name);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_outDir)) {
        std::fprintf(stderr, "artwork: cannot create %s\n", argv[1]);
        return 1;
    }
    labelButtons();
    glyphButtons();
    spinButtons();
    radioButtons();
    lamps();
    sidePanels();
    windowBackgrounds();
    templateBackground();
    libraryBackground();
    panelBackgrounds();
    return g_failures == 0 ? 0 : 1;
}
