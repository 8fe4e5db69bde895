#include "support/TestRole.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <map>
#include <string>

namespace
{
std::map<std::string, std::function<int()>> &Roles()
{
    static std::map<std::string, std::function<int()>> roles;
    return roles;
}
} // namespace

bool RegisterTestRole(const char *name, std::function<int()> role)
{
    Roles()[name] = std::move(role);
    return true;
}

int RunAskedTestRole(bool &asked)
{
    const QByteArray name = qgetenv("LEVANTA_TEST_ROLE");
    asked = !name.isEmpty();
    if (!asked)
        return 0;
    const auto it = Roles().find(name.toStdString());
    if (it == Roles().end()) {
        std::fprintf(stderr, "no test role named %s\n", name.constData());
        return 2;
    }
    return it->second();
}
