// Which platform the program runs on, as a function of the session's environment.
#include "app/DisplayOptions.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using TVariables = std::map<std::string, std::string>;

DisplayOptions::TPlatformChoice ChoiceIn(const TVariables& variables)
{
    return DisplayOptions::ChoosePlatform([&](const char* name) {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

} // namespace

TEST(PlatformChoice, WaylandWithXWaylandRunsOnX11AndWithoutItNativelyWithANote)
{
    const auto withXWayland = ChoiceIn({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}});
    EXPECT_EQ(withXWayland.Platform, "xcb");
    EXPECT_EQ(withXWayland.Note, std::nullopt);
    for (const TVariables& session : {TVariables{{"WAYLAND_DISPLAY", "wayland-0"}},
                                      TVariables{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}}}) {
        const auto native = ChoiceIn(session);
        EXPECT_EQ(native.Platform, std::nullopt);
        EXPECT_EQ(native.Note, "Wayland without XWayland: the desktop decides where windows go and what stays on top.");
    }
}

// An X11 session, a run without a display (the headless check's to decide) and the user's own platform.
TEST(PlatformChoice, OutsideWaylandOrWithTheUsersPlatformNothingChanges)
{
    for (const TVariables& session :
         {TVariables{{"DISPLAY", ":0"}}, TVariables{{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":0"}}, TVariables{},
          TVariables{{"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
          TVariables{{"WAYLAND_DISPLAY", "w"}, {"QT_QPA_PLATFORM", "offscreen"}}}) {
        const auto choice = ChoiceIn(session);
        EXPECT_EQ(choice.Platform, std::nullopt) << testing::PrintToString(session);
        EXPECT_EQ(choice.Note, std::nullopt) << testing::PrintToString(session);
    }
}
