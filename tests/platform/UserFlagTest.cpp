#include "platform/UserFlag.h"
#include "tests/support/OtherUser.h"

#include <QProcess>

#include <memory>

#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

namespace {

const QString kName = "ru.qmxgame.appmem";

// The abstract socket name of kName for the user of the tests.
QByteArray socketName()
{
    return kName.toUtf8() + '.' + QByteArray::number(qulonglong(::getuid()));
}

TEST(UserFlag, AFlagHasOneOwnerAndIsRaisedByTheOthers)
{
    auto owner = std::make_unique<platform::UserFlag>(kName);
    platform::UserFlag other(kName);
    EXPECT_FALSE(other.attach()) << "nobody owns it yet";
    EXPECT_EQ(other.error(), ECONNREFUSED);
    ASSERT_TRUE(owner->create());
    EXPECT_FALSE(other.create()) << "it has an owner";
    EXPECT_EQ(other.error(), EADDRINUSE);
    ASSERT_TRUE(other.attach());

    EXPECT_FALSE(owner->takeRaised());
    EXPECT_TRUE(other.set());
    platform::UserFlag third(kName);
    ASSERT_TRUE(third.attach());
    EXPECT_TRUE(third.set());
    EXPECT_TRUE(owner->takeRaised());
    EXPECT_FALSE(owner->takeRaised()) << "two raises, one answer";

    // A start that has connected and raises only after the owner has looked.
    platform::UserFlag late(kName);
    ASSERT_TRUE(late.attach());
    EXPECT_FALSE(owner->takeRaised());
    EXPECT_TRUE(late.set());
    EXPECT_TRUE(owner->takeRaised());

    // The name goes with its owner; a raise left behind is not for the next.
    platform::UserFlag leftBehind(kName);
    ASSERT_TRUE(leftBehind.attach());
    EXPECT_TRUE(leftBehind.set());
    owner.reset();
    platform::UserFlag next(kName);
    EXPECT_FALSE(next.attach());
    ASSERT_TRUE(next.create());
    EXPECT_FALSE(next.takeRaised());
}

// The game that PLAY starts outlives the launcher; the name must not.
TEST(UserFlag, AStartedProgramNeverInheritsTheName)
{
    auto owner = std::make_unique<platform::UserFlag>(kName);
    ASSERT_TRUE(owner->create());
    QProcess game;
    game.start("sleep", {"30"});
    ASSERT_TRUE(game.waitForStarted(5000));
    owner.reset();

    platform::UserFlag next(kName);
    EXPECT_TRUE(next.create()) << next.error();
    game.kill();
    game.waitForFinished(5000);
}

// The name is the user's: a process of another user neither passes for its
// owner nor raises its flag.
TEST(UserFlag, AnotherUserNeitherOwnsNorRaisesIt)
{
    {
        testsupport::OtherUserSocket holder(testsupport::OtherUserSocket::Holds, socketName());
        ASSERT_TRUE(holder.isReady());
        platform::UserFlag flag(kName);
        EXPECT_FALSE(flag.create());
        EXPECT_EQ(flag.error(), EADDRINUSE);
        EXPECT_FALSE(flag.attach());
        EXPECT_EQ(flag.error(), EPERM);
    }

    platform::UserFlag owner(kName);
    ASSERT_TRUE(owner.create());
    testsupport::OtherUserSocket raiser(testsupport::OtherUserSocket::Raises, socketName());
    ASSERT_TRUE(raiser.isReady());
    EXPECT_FALSE(owner.takeRaised());
}

} // namespace
