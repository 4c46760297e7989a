// The camera swap of the two logins: both plays stopped and restarted in
// the other roles, with one camera only, and for a camera logging in later.
#include "CameraLoginsFixture.h"

namespace {

using namespace cameraloginstest;

TEST_F(CameraLoginsTest, SwapStopsBothPlaysAndRestartsThemInTheOtherRoles)
{
    logBothIn();
    {
        InSequence order;
        for (int round = 0; round < 2; ++round) {
            EXPECT_CALL(system, StopPlay(Pointee(round == 0 ? 101 : 303)));
            EXPECT_CALL(system, StopPlay(Pointee(round == 0 ? 202 : 404)));
            EXPECT_CALL(system, RealPlayCallback(11, nullptr, 1, 0, 0))
                .WillOnce(Return(round == 0 ? 404 : 606));
            EXPECT_CALL(system, RealPlayWindow(10, 0, 1, ToWindowHandle(&windowView)))
                .WillOnce(Return(round == 0 ? 303 : 505));
        }
        EXPECT_CALL(system, StopPlay(Pointee(505)));
        EXPECT_CALL(system, StopPlay(Pointee(606)));
        EXPECT_CALL(system, RealPlayCallback(10, nullptr, 1, 0, 0)).WillOnce(Return(707));
        EXPECT_CALL(system, RealPlayWindow(11, 0, 1, ToWindowHandle(&windowView)))
            .WillOnce(Return(808));
    }
    // The same value twice stops and starts the plays again in the same roles.
    logins.GetChangeMainOrBackCame(true);
    EXPECT_TRUE(logins.swapped());
    logins.GetChangeMainOrBackCame(true);
    EXPECT_TRUE(logins.swapped());
    EXPECT_EQ(logins.playHandle(0), 505);
    EXPECT_EQ(logins.playHandle(1), 606);
    logins.GetChangeMainOrBackCame(false);
    EXPECT_FALSE(logins.swapped());
    EXPECT_EQ(logins.playHandle(0), 707);
    EXPECT_EQ(logins.playHandle(1), 808);
    ::testing::Mock::VerifyAndClearExpectations(&system); // before the fixture shuts down
}

TEST_F(CameraLoginsTest, SwapWithOnlyTheMainCameraPutsItIntoTheSmallView)
{
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _)).WillOnce(Return(3));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).WillOnce(Return(-1));
    EXPECT_CALL(system, RealPlayCallback(3, nullptr, 1, 0, 0)).WillOnce(Return(30));
    pass();
    {
        InSequence order;
        EXPECT_CALL(system, StopPlay(Pointee(30)));
        EXPECT_CALL(system, StopPlay(Pointee(-1)));
        EXPECT_CALL(system, RealPlayWindow(3, 0, 1, ToWindowHandle(&windowView)))
            .WillOnce(Return(31));
    }
    EXPECT_CALL(system, RealPlayCallback(_, _, _, _, _)).Times(0);
    logins.GetChangeMainOrBackCame(true);
    EXPECT_EQ(logins.playHandle(0), 31);
    EXPECT_EQ(logins.playHandle(1), -1); // not logged in: keeps its value
    ::testing::Mock::VerifyAndClearExpectations(&system);
}

TEST_F(CameraLoginsTest, CameraLoggingInAfterASwapStartsInItsSwappedRole)
{
    logins.GetChangeMainOrBackCame(true);
    EXPECT_CALL(system, Login(StartsWith("cam-main"), _, _, _)).WillOnce(Return(1));
    EXPECT_CALL(system, Login(StartsWith("cam-back"), _, _, _)).WillOnce(Return(2));
    // Otherwise both cameras would feed the large view.
    EXPECT_CALL(system, RealPlayWindow(1, 0, 1, ToWindowHandle(&windowView))).WillOnce(Return(12));
    EXPECT_CALL(system, RealPlayCallback(2, nullptr, 1, 0, 0)).WillOnce(Return(21));
    pass();
    EXPECT_EQ(logins.playHandle(0), 12);
    EXPECT_EQ(logins.playHandle(1), 21);
}

} // namespace
