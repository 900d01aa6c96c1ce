#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace {

struct Picture
{
    const char* name;
    int width;
    int height;
};

// Every picture the controls and forms load, at the size its control needs: combined images hold their
// columns side by side and their state rows (off, on, and pressed where the control uses that row) one
// under the other.
const Picture kPictures[] = {
    {"zelk_bak_1.png", 470, 465},           {"zelk_bak_s.png", 470, 324},
    {"bram_bak_main.png", 442, 402},        {"bram_bak_library.png", 442, 402},
    {"zelk_bak_about.png", 442, 419},       {"zelk_bak_start.png", 442, 419},
    {"bram_bak_save_change.png", 442, 419}, {"bram_bak_port_error.png", 442, 419},
    {"bram_bak_rename_caution.png", 442, 419}, {"bram_bak_reset_stored.png", 442, 419},
    {"bram_bak_reset_factoryset.png", 442, 419}, {"bram_bak_reset_original.png", 442, 419},
    {"bram_bak_exit_anyway.png", 442, 419}, {"bram_bak_autosync.png", 442, 419},
    {"bram_bak_set.png", 442, 419},
    {"dw_nsw_window.png", 15, 30},          {"dw_nsw_window_small.png", 15, 30},
    {"dw_nsw_window_front.png", 15, 30},    {"dw_nsw_close.png", 15, 30},
    {"dw_nsw_yes.png", 51, 30},             {"dw_nsw_no.png", 51, 30},
    {"dw_nsw_ok.png", 51, 30},              {"dw_nsw_cancel.png", 51, 30},
    {"dw_nsw_start.png", 51, 30},           {"dw_nsw_retry.png", 51, 30},
    {"dw_nsw_pulldown.png", 265, 36},       {"dw_nsw_popup_s.png", 19, 38},
    {"dw_nsw_popup.png", 19, 36},           {"dw_tsw_lib_open.png", 46, 28},
    {"dw_nsw_inc_dec_l.png", 19, 57},       {"dw_nsw_inc_dec_s.png", 19, 54},
    {"t51m_nsw_store.png", 46, 28},         {"t51m_nsw_lib_import.png", 46, 28},
    {"t51m_nsw_file.png", 19, 38},          {"t51m_nsw_cancel_2.png", 46, 28},
    {"t51m_nsw_ok_2.png", 46, 28},          {"t51m_tsw_size.png", 38, 20},
    {"bram_tsw_radiobtn.png", 19, 54},      {"bram_tsw_radiobtn_cc_rem.png", 19, 54},
    {"t51m_led_online.png", 87, 7},         {"bram_led_edit_t.png", 9, 9},
    {"t51m_led_edit_f.png", 9, 9},          {"bram_led_autosync.png", 40, 10},
    {"t51m_btn_back_store.png", 48, 16},    {"t51m_lcd_panel.png", 71, 23},
    {"t51m_txt_error.png", 263, 16},        {"t51m_bak_remote.png", 38, 106},
    {"t51m_bak_cc.png", 38, 106},           {"t51m_bak_lib_remote_off.png", 38, 132},
    {"dw_arrow.png", 16, 16},
};

} // namespace

TEST(Artwork, EveryPictureIsInTheResourceAtItsSize)
{
    for (const Picture& picture : kPictures) {
        const QString path = QStringLiteral(":/images/") + QLatin1String(picture.name);
        const QImage image(path);
        ASSERT_FALSE(image.isNull()) << picture.name << " is missing";
        EXPECT_EQ(image.size(), QSize(picture.width, picture.height)) << picture.name;
    }
}

TEST(Artwork, ButtonRowsDifferSoEveryStateIsVisible)
{
    const QImage ok(QStringLiteral(":/images/dw_nsw_ok.png"));
    EXPECT_NE(ok.pixelColor(1, 1), ok.pixelColor(1, 16));
    const QImage spin(QStringLiteral(":/images/dw_nsw_inc_dec_l.png"));
    EXPECT_NE(spin.pixelColor(9, 2), spin.pixelColor(9, 21)); // upper half idle, then pressed
    EXPECT_NE(spin.pixelColor(9, 50), spin.pixelColor(9, 12)); // lower half pressed, then idle
    // Backgrounds of the panels leave the view around the dialog plate partly visible.
    const QImage panel(QStringLiteral(":/images/bram_bak_set.png"));
    EXPECT_LT(panel.pixelColor(5, 5).alpha(), 255);
    EXPECT_EQ(panel.pixelColor(200, 200).alpha(), 255);
}
