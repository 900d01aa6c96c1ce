#pragma once

// The style's small pictures, pixel by pixel (XPM: width height colours chars-per-pixel, colours, rows).

namespace kwstyleimages {

static const char* const scrollbar_left_image[] = {
    "7 10 2 1", "* c #180F02", ". c #666666",
    "*******", "****.**", "***..**", "**...**", "*....**", "*....**", "**...**", "***..**", "****.**", "*******"};

static const char* const scrollbar_left_highlight_image[] = {
    "7 10 2 1", "* c #180F02", ". c #00ff00",
    "*******", "****.**", "***..**", "**...**", "*....**", "*....**", "**...**", "***..**", "****.**", "*******"};

static const char* const scrollbar_right_image[] = {
    "7 10 2 1", "* c #180F02", ". c #666666",
    "*******", "**.****", "**..***", "**...**", "**....*", "**....*", "**...**", "**..***", "**.****", "*******"};

static const char* const scrollbar_right_highlight_image[] = {
    "7 10 2 1", "* c #180F02", ". c #00ff00",
    "*******", "**.****", "**..***", "**...**", "**....*", "**....*", "**...**", "**..***", "**.****", "*******"};

static const char* const scrollbar_up_image[] = {
    "10 7 2 1", "* c #180F02", ". c #666666",
    "**********", "****..****", "***....***", "**......**", "*........*", "**********", "**********"};

static const char* const scrollbar_up_highlight_image[] = {
    "10 7 2 1", "* c #180F02", ". c #00ff00",
    "**********", "****..****", "***....***", "**......**", "*........*", "**********", "**********"};

static const char* const scrollbar_down_image[] = {
    "10 7 2 1", "* c #180F02", ". c #666666",
    "**********", "**********", "*........*", "**......**", "***....***", "****..****", "**********"};

static const char* const scrollbar_down_highlight_image[] = {
    "10 7 2 1", "* c #180F02", ". c #00ff00",
    "**********", "**********", "*........*", "**......**", "***....***", "****..****", "**********"};

static const char* const radio_image[] = {
    "5 5 2 1", "* c #666666", ". c #373737",
    "*****", "*...*", "*...*", "*...*", "*****"};

static const char* const radio_check_image[] = {
    "5 5 2 1", "* c #666666", "X c #00cc00",
    "*****", "*XXX*", "*XXX*", "*XXX*", "*****"};

static const char* const list_open_image[] = {
    "9 9 2 1", "* c #180f02", ". c #999999",
    "*********", "*.......*", "*...*...*", "*...*...*", "*.*****.*", "*...*...*", "*...*...*", "*.......*",
    "*********"};

static const char* const list_close_image[] = {
    "9 9 2 1", "* c #180f02", ". c #999999",
    "*********", "*.......*", "*.......*", "*.......*", "*.*****.*", "*.......*", "*.......*", "*.......*",
    "*********"};

} // namespace kwstyleimages
