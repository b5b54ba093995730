#include "platform/UserLock.h"
#include "tests/support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include <gtest/gtest.h>

namespace {

const QFileDevice::Permissions kPrivate = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Sets a variable for the test and puts the old value back afterwards.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QString& value)
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnv()
    {
        if (m_wasSet)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_wasSet;
    QByteArray m_old;
};

TEST(UserLock, TheObjectsLiveInAFolderOnlyTheUserCanChange)
{
    const QString root = testsupport::rootDir();
    const QString cache = testsupport::homeDir() + "/.cache";
    QDir().mkpath(root + "/private");
    QFile::setPermissions(root + "/private", kPrivate);
    QDir().mkpath(root + "/shared");
    QFile::setPermissions(root + "/shared", kPrivate | QFileDevice::WriteGroup | QFileDevice::ExeGroup);

    const struct {
        const char* what;
        QString runtime; // null: unset
        QString cacheHome;
        QString home;
        QString expected;
    } cases[] = {
        {"the runtime folder", root + "/private", cache, testsupport::homeDir(), root + "/private"},
        {"no runtime folder: the cache folder", QString(), cache, testsupport::homeDir(), cache},
        {"a runtime folder others may write to", root + "/shared", cache, testsupport::homeDir(), cache},
        {"a runtime folder that does not exist", root + "/missing", cache, testsupport::homeDir(), cache},
        {"a relative runtime folder", "private", cache, testsupport::homeDir(), cache},
        {"no cache folder set: the one in the home", QString(), QString(), testsupport::homeDir(), cache},
        {"neither a runtime folder nor a home", QString(), QString(), QString(), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(cache).removeRecursively();
        ScopedEnv runtime("XDG_RUNTIME_DIR", c.runtime);
        ScopedEnv cacheHome("XDG_CACHE_HOME", c.cacheHome);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(platform::userObjectsDir(), c.expected);
        if (c.expected.isEmpty()) {
            platform::UserLock lock("ru.qmxgame.applock");
            EXPECT_FALSE(lock.acquire());
            platform::UserFlag flag("ru.qmxgame.appmem");
            EXPECT_FALSE(flag.create());
        }
    }
}

TEST(UserLock, AFlagHasOneOwnerAndIsRaisedByTheOthers)
{
    auto owner = std::make_unique<platform::UserFlag>("ru.qmxgame.appmem");
    platform::UserFlag other("ru.qmxgame.appmem");
    EXPECT_FALSE(other.attach()) << "nobody owns it yet";
    ASSERT_TRUE(owner->create());
    EXPECT_FALSE(other.create()) << "it has an owner";
    ASSERT_TRUE(other.attach());

    EXPECT_FALSE(owner->takeRaised());
    EXPECT_TRUE(other.set());
    EXPECT_TRUE(other.set());
    EXPECT_TRUE(owner->takeRaised());
    EXPECT_FALSE(owner->takeRaised()) << "two raises, one answer";

    // A raise left behind is not for the next owner.
    EXPECT_TRUE(other.set());
    owner.reset();
    platform::UserFlag next("ru.qmxgame.appmem");
    EXPECT_FALSE(next.attach());
    ASSERT_TRUE(next.create());
    EXPECT_FALSE(next.takeRaised());
    EXPECT_EQ(QFileInfo(platform::userObjectsDir() + "/ru.qmxgame.appmem").permissions() & 0x7077,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace
