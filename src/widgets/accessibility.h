#pragma once

#include <QAccessible>

class QWidget;

// Makes screen readers (AT-SPI on Linux) read and operate the program's own
// widgets as they do the toolkit's: the link label as a link with a press
// action, the spin edit as a spin button with its value, range and step,
// and plain containers in the role given to them. Call once the application
// object exists and before any window is shown; calling again does nothing.
void InstallAccessibleFactory();

// Exposes a plain widget (a top-level window, a panel) in `role` instead of
// the generic client area Qt gives a QWidget or QFrame. Takes effect for an
// accessible interface made after the call.
void SetAccessibleRole(QWidget* widget, QAccessible::Role role);

// Tells a screen reader what an action changed that the focus does not show
// (every box reset at once, a zoom by a key): a spoken announcement where
// the toolkit has one (Qt 6.8 and later), otherwise as the accessible
// description of `about`, which Orca speaks when `about` has the focus.
// The same text twice is said twice.
void Announce(QWidget* about, const QString& text);
