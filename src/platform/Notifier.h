#pragma once

#include <QString>

// How code without windows tells the user about a failure: the GUI plugs in message
// boxes, tests plug in a recorder.
namespace Glossa {

enum class Severity { Information, Warning, Error };

class Notifier
{
public:
    virtual ~Notifier();
    virtual void notify(Severity severity, const QString &caption, const QString &text) = 0;
};

} // namespace Glossa
