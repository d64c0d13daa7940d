#!/bin/sh
# Asks the desktop to restart the computer, which finishes installing the VPN's system component.
#
#   /bin/sh reboot.sh
#
# The desktop's own restart dialog is preferred, so the user can still save work or cancel; without
# one, systemd's logind is asked (it asks for authorisation when the session may not restart).

if command -v gnome-session-quit >/dev/null 2>&1; then
  exec gnome-session-quit --reboot
fi
if command -v qdbus >/dev/null 2>&1 && qdbus org.kde.ksmserver >/dev/null 2>&1; then
  # confirm = 1 (ask), type = 1 (restart), mode = 0 (when ready)
  exec qdbus org.kde.ksmserver /KSMServer logout 1 1 0
fi
exec systemctl reboot
