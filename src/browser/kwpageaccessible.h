#pragma once
// Assistive technology's view of a TKWPageControl's strip: a page-tab list with one page
// tab per visible page, named by the tab's caption, described by the tab's state text (the
// lamp or the lock in words), selected when its page is active, and switched to by its
// press action. The strip's changes are reported through the Notify functions; they do
// nothing while no assistive technology listens.

#include <QAccessible>

class TKWPageControl;
class TKWTabSheet;

// Installs the interface factory for every page control's strip (once per process).
void InstallPageControlAccessibility();

// The accessible page tab of a page, or nullptr when the page has no tab in the control.
QAccessibleInterface *AccessibleTab(TKWPageControl *control, TKWTabSheet *page);

// The page's tab came (ObjectCreated), is about to go (ObjectDestroyed), or changed its
// name or description (NameChanged, DescriptionChanged).
void NotifyTabAccessibility(TKWPageControl *control, TKWTabSheet *page, QAccessible::Event event);
// The active page changed from before to after (either may be nullptr).
void NotifyActiveTabAccessibility(TKWPageControl *control, TKWTabSheet *before, TKWTabSheet *after);
// The tabs changed their order.
void NotifyTabOrderAccessibility(TKWPageControl *control);
