#pragma once
// The controllers that frame the dashboard page:
// - ConnectionStateViewController: the page's two pages, the connection view and the
//   troubleshooting page; it tells the desktop when the VPN comes up or goes down and shows the
//   password-changed alert;
// - ConnectionBottomController: the pane under the connection panel with the recommended tile
//   (DashboardFirstController), the recent tile (DashboardRecentController) or the cancel pane
//   (DashboardCancelController), by connection state; nothing while connected;
// - ReferAFriendMessageController: the one-line invitation at the foot of the page.
// Each hears the engine's reports on the main thread (see MainThreadObserver.h).
#include "ui/dashboard/ConnectionStateViewController.h"
#include "ui/dashboard/DashboardRecentController.h"
#include "ui/dashboard/DashboardFirstController.h"
#include "ui/dashboard/DashboardCancelController.h"
#include "ui/dashboard/ConnectionBottomController.h"
#include "ui/dashboard/ReferAFriendMessageController.h"
