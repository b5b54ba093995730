#include "platform/Display.h"

#include <gtest/gtest.h>

namespace {

// The platform that the windows of a run take, by what the session names,
// what the folder carries and whether an X display answers.
TEST(Display, TheWindowsTakeAPlatformTheFolderCarries)
{
    const QStringList xcbOnly{"xcb"};
    const struct {
        const char* requested;
        QStringList carried;
        bool xDisplay;
        const char* chosen;
    } cases[] = {
        {"", xcbOnly, true, "xcb"},
        {"", xcbOnly, false, ""},
        // a platform the folder lacks: xcb through XWayland, or nothing
        {"wayland", xcbOnly, true, "xcb"},
        {"wayland", xcbOnly, false, ""},
        {"wayland;xcb", xcbOnly, true, "xcb"},
        {"offscreen", xcbOnly, true, "xcb"},
        // one the folder carries, as it is written, options and all
        {"xcb:foo=1", xcbOnly, true, "xcb:foo=1"},
        {"XCB", xcbOnly, true, "XCB"},
        {"wayland;offscreen", {"xcb", "offscreen"}, false, "offscreen"},
        {"wayland;xcb", {"wayland", "xcb"}, true, "wayland"},
        {"", {}, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.requested) + (c.xDisplay ? " with" : " without") + " an X display");
        EXPECT_EQ(platform::choosePlatform(c.requested, c.carried, c.xDisplay), QByteArray(c.chosen));
    }
}

} // namespace
