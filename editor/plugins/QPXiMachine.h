#pragma once

#include <QDir>
#include <QString>

// The places of one computer that the plug-in database looks at: the root under which applications and
// the system's plug-in folders lie, and the user's home; tests lay a whole machine out in a temporary folder.
struct QPXiMachine
{
    QString root = QStringLiteral("/");
    QString home = QDir::homePath();

    // An absolute location of the machine ("/Applications/...") under the root.
    QString systemPath(const QString& absolute) const { return join(root, absolute); }
    // A location below the user's home ("/Library/Preferences").
    QString homePath(const QString& relative) const { return join(home, relative); }

private:
    static QString join(const QString& base, const QString& tail)
    {
        QString result = base;
        while (result.endsWith(QLatin1Char('/'))) {
            result.chop(1);
        }
        return result + tail;
    }
};
