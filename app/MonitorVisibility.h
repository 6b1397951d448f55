#pragma once

// What happens to the monitor window after one of the events that decide its visibility.
enum class TMonitorVisibility { Keep, Show, Hide };

enum class TMonitorEvent {
    ShowMonitorCommand, // "Show Monitor..." chosen (or the monitor's graph double-clicked)
    HideMonitorCommand, // "Hide Monitor when Offline" chosen
    WentOnline,         // the poll cycle's online transition
    WentOffline,        // the poll cycle's offline transition
};

// The one rule for the two menu commands and the poll cycle. The check marks are the ones after the event
// (a command has already inverted its own); online is the connection's state after it.
constexpr TMonitorVisibility DecideMonitorVisibility(TMonitorEvent event, bool showMonitor, bool hideWhenOffline,
                                                     bool online)
{
    if (hideWhenOffline && !online) return TMonitorVisibility::Hide;
    // The end of a connection only ever hides the window; a window the user keeps stays as it is.
    if (event == TMonitorEvent::WentOffline) return TMonitorVisibility::Keep;
    if (showMonitor) return TMonitorVisibility::Show;
    // Unchecking "Show Monitor..." is the one event that hides a window for want of its check mark.
    return event == TMonitorEvent::ShowMonitorCommand ? TMonitorVisibility::Hide : TMonitorVisibility::Keep;
}
