#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTabBar>
#include <QWidget>

#include <map>

namespace kelsim::testing {

// Captions that share an access key where the user presses them together: the buttons, buddied
// labels, tabs and menu titles of a window (its dialogs and menus have keys of their own), and the
// items of each menu.
inline QStringList accessKeyClashes(QWidget *window)
{
    QStringList clashes;
    auto check = [&clashes](const QString &scope, const QStringList &captions) {
        std::map<QChar, QString> seen;
        for (const QString &caption : captions) {
            const QString keys = QString(caption).remove("&&");
            const int at = keys.indexOf('&');
            if (at >= 0 && at + 1 < keys.size() && !seen.emplace(keys[at + 1].toLower(), caption).second)
                clashes << scope + ": \"" + seen[keys[at + 1].toLower()] + "\" and \"" + caption + "\"";
        }
    };
    QStringList own;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window)
            continue;
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            own << button->text();
        if (auto *label = qobject_cast<QLabel *>(widget); label && label->buddy())
            own << label->text();
        if (auto *tabs = qobject_cast<QTabBar *>(widget))
            for (int i = 0; i < tabs->count(); ++i)
                own << tabs->tabText(i);
        if (auto *bar = qobject_cast<QMenuBar *>(widget)) {
            for (QAction *title : bar->actions()) {
                own << title->text();
                QStringList items;
                for (QAction *item : title->menu() ? title->menu()->actions() : QList<QAction *>())
                    items << item->text();
                check(title->text(), items);
            }
        }
    }
    check(window->windowTitle(), own);
    return clashes;
}

} // namespace kelsim::testing
