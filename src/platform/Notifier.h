#pragma once
#include <QString>
namespace Glossa {
enum class Severity { Information, Warning, Error };
// How code without windows tells the user something: the window code shows a
// message box, tests record the notices.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void notify(Severity severity, const QString &caption, const QString &text) = 0;
};
} // namespace Glossa
