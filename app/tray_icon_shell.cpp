#include "app/tray_icon_shell.h"

namespace {
TrayShellNotifyFunction g_notify = Shell_NotifyIconA;
}

BOOL tray_shell_notify(DWORD message, PNOTIFYICONDATAA data) { return g_notify(message, data); }

TrayShellNotifyFunction tray_set_shell_notify(TrayShellNotifyFunction function) {
    TrayShellNotifyFunction previous = g_notify;
    g_notify = function;
    return previous;
}
