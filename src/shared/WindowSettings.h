#pragma once

#include <QSettings>

namespace Glossa {

// Where the windows remember their size, place, maximised state and column
// widths: glossa-desk/windows.conf in the user's configuration directory
// ($XDG_CONFIG_HOME, by default ~/.config).
class WindowSettings : public QSettings
{
public:
    WindowSettings()
        : QSettings(QStringLiteral("glossa-desk"), QStringLiteral("windows"))
    {
    }
};

} // namespace Glossa
