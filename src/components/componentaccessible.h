#pragma once
// Assistive technology's view of the components drawn in code: the cool bar (a tool bar
// whose band grips are buttons of their own, pressed to maximise or minimise their band),
// the status panels (a status bar with one text per panel) and the logo (a button that is
// busy while it turns).

class TStatusPanels;

// Installs the interface factory for these components (once per process).
void InstallComponentAccessibility();

// A panel's text changed; nothing while no assistive technology listens.
void NotifyStatusPanelAccessibility(TStatusPanels *panels, int index);
