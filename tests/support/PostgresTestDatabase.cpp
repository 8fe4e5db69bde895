#include "PostgresServer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace
{

std::unique_ptr<TPostgresServer> &Instance()
{
    static std::unique_ptr<TPostgresServer> server;
    return server;
}

// Stops the binary's server after its last test, before static destruction.
class TPostgresEnvironment : public ::testing::Environment
{
public:
    void TearDown() override { Instance().reset(); }
};

[[maybe_unused]] ::testing::Environment *const gEnvironment
    = ::testing::AddGlobalTestEnvironment(new TPostgresEnvironment);

} // namespace

TPostgresServer &PostgresForTests()
{
    if (!Instance())
        Instance() = std::make_unique<TPostgresServer>();
    return *Instance();
}

TPgSettings FreshPostgresDatabase()
{
    static int next = 0;
    TPostgresServer &server = PostgresForTests();
    if (!server.Error().isEmpty())
        throw EStorageError(server.Error());
    return server.CreateDatabase(u"levanta_%1"_s.arg(++next));
}
