#include "X11WindowHints.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

constexpr uint32_t AllDesktops = 0xFFFFFFFF;
constexpr uint32_t NetWmStateAdd = 1;
constexpr uint32_t SourceIsApplication = 1;

xcb_atom_t Intern(xcb_connection_t* connection, std::string_view name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

// The state atoms the window already carries: Qt keeps its own there (above, modal) and merges ours.
std::vector<xcb_atom_t> CurrentStates(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t netWmState)
{
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, netWmState, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (!reply) return states;
    if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        states.assign(atoms, atoms + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return states;
}

void SendToWindowManager(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                         std::initializer_list<uint32_t> data)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
}

xcb_window_t RootOf(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    if (!tree) return XCB_WINDOW_NONE;
    const xcb_window_t root = tree->root;
    std::free(tree);
    return root;
}

} // namespace

namespace {

// The offscreen platform answers to the X11 interface too, without a connection.
xcb_connection_t* X11Connection()
{
    if (!qGuiApp || QGuiApplication::platformName() != "xcb") return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

void AddStates(xcb_connection_t* connection, xcb_window_t id, xcb_atom_t netWmState,
               const std::vector<xcb_atom_t>& wanted)
{
    std::vector<xcb_atom_t> states = CurrentStates(connection, id, netWmState);
    for (xcb_atom_t state : wanted)
        if (std::find(states.begin(), states.end(), state) == states.end()) states.push_back(state);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
}

void RemoveState(xcb_connection_t* connection, xcb_window_t id, xcb_atom_t netWmState, xcb_atom_t unwanted)
{
    std::vector<xcb_atom_t> states = CurrentStates(connection, id, netWmState);
    const auto kept = std::remove(states.begin(), states.end(), unwanted);
    if (kept == states.end()) return;
    states.erase(kept, states.end());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
}

} // namespace

bool X11WindowHints::SetAbove(QWindow& window, bool above)
{
    xcb_connection_t* connection = X11Connection();
    if (!connection) return false;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t netWmState = Intern(connection, "_NET_WM_STATE");
    const xcb_atom_t aboveState = Intern(connection, "_NET_WM_STATE_ABOVE");
    if (netWmState == XCB_ATOM_NONE || aboveState == XCB_ATOM_NONE) return false;
    if (window.isVisible()) {
        constexpr uint32_t NetWmStateRemove = 0;
        SendToWindowManager(connection, RootOf(connection, id), id, netWmState,
                            {above ? NetWmStateAdd : NetWmStateRemove, aboveState, 0, SourceIsApplication});
    } else if (above) {
        AddStates(connection, id, netWmState, {aboveState});
    } else {
        RemoveState(connection, id, netWmState, aboveState);
    }
    xcb_flush(connection);
    return true;
}

void X11WindowHints::MapIconic(QWindow& window)
{
    xcb_connection_t* connection = X11Connection();
    if (!connection) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t netWmState = Intern(connection, "_NET_WM_STATE");
    const xcb_atom_t hidden = Intern(connection, "_NET_WM_STATE_HIDDEN");
    if (netWmState != XCB_ATOM_NONE && hidden != XCB_ATOM_NONE) AddStates(connection, id, netWmState, {hidden});
    // WM_HINTS: flags, input, initial_state, ... (ICCCM 4.1.2.4); StateHint is bit 1, IconicState is 3.
    constexpr uint32_t StateHint = 1u << 1;
    constexpr uint32_t IconicState = 3;
    std::vector<uint32_t> hints(9, 0);
    if (xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9), nullptr)) {
        if (reply->format == 32) {
            const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            const int count = std::min(9, xcb_get_property_value_length(reply) / 4);
            std::copy(values, values + count, hints.begin());
        }
        std::free(reply);
    }
    hints[0] |= StateHint;
    hints[2] = IconicState;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                        hints.data());
    xcb_flush(connection);
}

void X11WindowHints::KeepOffTaskbar(QWindow& window, TDesktops desktops)
{
    xcb_connection_t* connection = X11Connection();
    if (!connection) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t netWmState = Intern(connection, "_NET_WM_STATE");
    const xcb_atom_t netWmDesktop = Intern(connection, "_NET_WM_DESKTOP");
    std::vector<xcb_atom_t> wanted{Intern(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                   Intern(connection, "_NET_WM_STATE_SKIP_PAGER")};
    if (desktops == TDesktops::All) wanted.push_back(Intern(connection, "_NET_WM_STATE_STICKY"));
    if (netWmState == XCB_ATOM_NONE || std::count(wanted.begin(), wanted.end(), XCB_ATOM_NONE) > 0) return;

    AddStates(connection, id, netWmState, wanted);
    if (desktops == TDesktops::All && netWmDesktop != XCB_ATOM_NONE)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netWmDesktop, XCB_ATOM_CARDINAL, 32, 1,
                            &AllDesktops);

    // A mapped window's properties belong to the window manager; it changes them on request.
    if (window.isExposed() || window.isVisible()) {
        const xcb_window_t root = RootOf(connection, id);
        for (std::size_t i = 0; i < wanted.size(); i += 2) {
            const uint32_t second = i + 1 < wanted.size() ? wanted[i + 1] : 0;
            SendToWindowManager(connection, root, id, netWmState,
                                {NetWmStateAdd, wanted[i], second, SourceIsApplication});
        }
        if (desktops == TDesktops::All && netWmDesktop != XCB_ATOM_NONE)
            SendToWindowManager(connection, root, id, netWmDesktop, {AllDesktops, SourceIsApplication});
    }
    xcb_flush(connection);
}
