#include "browser/kwpageaccessible.h"

#include "browser/kwpagecontrol.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace {

TKWPageControl *ownerOfStrip(QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    auto *control = widget ? qobject_cast<TKWPageControl *>(widget->parentWidget()) : nullptr;
    return control && control->TabBar() == widget ? control : nullptr;
}

// One tab of the strip. It stands for a page without being the page's own interface (the
// page is a widget of its own in the stack), so it has no object and lives in the strip's
// cache of tab interfaces.
class TKWTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TKWTabAccessible(TKWPageControl *control, TKWTabSheet *page) : m_control(control), m_page(page) {}

    TKWTabSheet *page() const { return m_page; }

    bool isValid() const override
    {
        return m_control && m_page && m_page->PageControl() == m_control && m_page->TabVisible();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_control ? m_control->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override
    {
        return m_control ? QAccessible::queryAccessibleInterface(m_control->TabBar()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        switch (t) {
        case QAccessible::Name: {
            const QString caption = TKWPageControl::TabDisplayText(m_page->Caption());
            return caption.isEmpty() ? m_page->Hint() : caption;
        }
        case QAccessible::Description:
            return m_page->TabStateText();
        case QAccessible::Help:
            return m_page->Hint();
        default:
            return QString();
        }
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = m_control->TabRect(m_page->TabIndex());
        return r.isNull() ? r : QRect(m_control->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = m_control->ActivePage() == m_page;
        s.active = s.selected;
        const QRect r = m_control->TabRect(m_page->TabIndex());
        if (!m_control->isVisible() || !m_control->TabBar()->isVisible()) {
            s.invisible = true;
        } else if (r.isNull() || !r.intersects(m_control->TabBarGeometry())) {
            s.offscreen = true;   // scrolled out of a crowded row
        }
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this)
                                                 : nullptr;
    }

    QStringList actionNames() const override
    {
        return {pressAction(), showMenuAction()};
    }
    void doAction(const QString &name) override
    {
        if (!isValid())
            return;
        if (name == pressAction()) {
            m_control->SetActivePage(m_page);
        } else if (name == showMenuAction()) {
            const QRect r = m_control->TabRect(m_page->TabIndex());
            emit m_control->TabContextMenu(m_page->TabIndex(), m_control->mapToGlobal(r.center()));
        }
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<TKWPageControl> m_control;
    QPointer<TKWTabSheet> m_page;
};

// The strip: its tabs first, then its own child widgets (the scroll buttons).
class TKWTabListAccessible : public QAccessibleWidget {
public:
    TKWTabListAccessible(QWidget *strip, TKWPageControl *control)
        : QAccessibleWidget(strip, QAccessible::PageTabList), m_control(control) {}

    ~TKWTabListAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_tabs))
            QAccessible::deleteAccessibleInterface(id);
    }

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        // The strip is named by its control when the control has a name.
        if (t == QAccessible::Name && s.isEmpty() && m_control)
            s = m_control->accessibleName();
        if (t == QAccessible::Name && s.isEmpty())
            s = QStringLiteral("Tabs");
        return s;
    }

    int childCount() const override
    {
        return tabCount() + QAccessibleWidget::childCount();
    }

    QAccessibleInterface *child(int index) const override
    {
        const int tabs = tabCount();
        if (index < 0)
            return nullptr;
        if (index < tabs)
            return tab(m_control->Page(m_control->TabToPageIndex(index)));
        return QAccessibleWidget::child(index - tabs);
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        if (const auto *t = dynamic_cast<const TKWTabAccessible *>(child))
            return t->isValid() && t->page()->PageControl() == m_control ? t->page()->TabIndex() : -1;
        const int i = QAccessibleWidget::indexOfChild(child);
        return i < 0 ? -1 : tabCount() + i;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        if (!m_control)
            return nullptr;
        const int t = m_control->TabAtPoint(m_control->mapFromGlobal(QPoint(x, y)));
        if (t >= 0)
            return child(t);
        return QAccessibleWidget::childAt(x, y);
    }

    QAccessibleInterface *focusChild() const override
    {
        return m_control ? tab(m_control->ActivePage()) : nullptr;
    }

    // The page's tab interface: made on first request, dropped when its page has gone.
    QAccessibleInterface *tab(TKWTabSheet *page) const
    {
        if (!m_control || !page || page->PageControl() != m_control || !page->TabVisible())
            return nullptr;
        auto it = m_tabs.find(page);
        if (it != m_tabs.end()) {
            auto *known = static_cast<TKWTabAccessible *>(QAccessible::accessibleInterface(*it));
            if (known && known->page() == page)
                return known;
            // A new page at the address of one that has gone.
            QAccessible::deleteAccessibleInterface(*it);
            m_tabs.erase(it);
        }
        prune();
        auto *made = new TKWTabAccessible(m_control, page);
        m_tabs.insert(page, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    // Forgets the page's tab interface (the page left the strip).
    void forget(const TKWTabSheet *page)
    {
        const auto it = m_tabs.constFind(page);
        if (it == m_tabs.cend())
            return;
        QAccessible::deleteAccessibleInterface(*it);
        m_tabs.erase(it);
    }

private:
    int tabCount() const { return m_control ? m_control->TabCount() : 0; }

    void prune() const
    {
        for (auto it = m_tabs.begin(); it != m_tabs.end();) {
            auto *t = static_cast<TKWTabAccessible *>(QAccessible::accessibleInterface(*it));
            if (!t || !t->page() || t->page()->PageControl() != m_control) {
                QAccessible::deleteAccessibleInterface(*it);
                it = m_tabs.erase(it);
            } else {
                ++it;
            }
        }
    }

    QPointer<TKWPageControl> m_control;
    mutable QHash<const TKWTabSheet *, QAccessible::Id> m_tabs;
};

QAccessibleInterface *stripFactory(const QString &, QObject *object)
{
    if (TKWPageControl *control = ownerOfStrip(object))
        return new TKWTabListAccessible(static_cast<QWidget *>(object), control);
    return nullptr;
}

TKWTabListAccessible *stripInterface(TKWPageControl *control)
{
    if (!control)
        return nullptr;
    return dynamic_cast<TKWTabListAccessible *>(QAccessible::queryAccessibleInterface(control->TabBar()));
}

}

void InstallPageControlAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(stripFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface *AccessibleTab(TKWPageControl *control, TKWTabSheet *page)
{
    TKWTabListAccessible *strip = stripInterface(control);
    return strip ? strip->tab(page) : nullptr;
}

void NotifyTabAccessibility(TKWPageControl *control, TKWTabSheet *page, QAccessible::Event event)
{
    if (!QAccessible::isActive())
        return;
    TKWTabListAccessible *strip = stripInterface(control);
    QAccessibleInterface *tab = strip ? strip->tab(page) : nullptr;
    if (!tab)
        return;
    QAccessibleEvent e(tab, event);
    QAccessible::updateAccessibility(&e);
    if (event == QAccessible::ObjectDestroyed)
        strip->forget(page);
}

void NotifyActiveTabAccessibility(TKWPageControl *control, TKWTabSheet *before, TKWTabSheet *after)
{
    if (!QAccessible::isActive())
        return;
    TKWTabListAccessible *strip = stripInterface(control);
    if (!strip)
        return;
    QAccessible::State selected;
    selected.selected = true;
    selected.active = true;
    for (TKWTabSheet *page : {before, after}) {
        if (QAccessibleInterface *tab = strip->tab(page)) {
            QAccessibleStateChangeEvent e(tab, selected);
            QAccessible::updateAccessibility(&e);
        }
    }
    if (QAccessibleInterface *tab = strip->tab(after)) {
        QAccessibleEvent e(tab, QAccessible::Selection);
        QAccessible::updateAccessibility(&e);
    }
}

void NotifyTabOrderAccessibility(TKWPageControl *control)
{
    if (!QAccessible::isActive())
        return;
    if (TKWTabListAccessible *strip = stripInterface(control)) {
        QAccessibleEvent e(strip, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&e);
    }
}
