// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeManager.h"
#include "ScannerTestSupport.h"

#include "scanner/OneValueContainer.h"
#include "scanner/TwainConnection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace vestiscop::scanner {
namespace {

using testing::CollectingSink;
using testing::failureOf;

class Connection : public TwainConnection {
public:
    using TwainConnection::checkResult;
    using TwainConnection::setState;
    int notifications = 0;
    int stateAtNotification = 0;

protected:
    void onTransferReady() override
    {
        ++notifications;
        stateAtNotification = state();
    }
};

class TwainConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VESTISCOP_TWAIN_MANAGER", FAKE_MANAGER_PATH, 1);
        fake::reset();
    }
    void TearDown() override { unsetenv("VESTISCOP_TWAIN_MANAGER"); }

    // Loaded, manager open, source open: state 4, record cleared.
    void open(Connection& connection)
    {
        connection.setIdentity("TWAIN", "Vestiscop", "Quorvex", "", 1, 0, TWLG_USA, TWCY_USA);
        connection.loadManager();
        connection.openManager(&m_sink);
        connection.openSource();
        ASSERT_EQ(connection.state(), 4);
    }

    void enable(Connection& connection)
    {
        open(connection);
        connection.enableSource(false);
        ASSERT_EQ(connection.state(), 5);
        fake::reset();
    }

    CollectingSink m_sink;
};

// --- Finding and loading the manager ---

struct JoinCase {
    const char* directory;
    std::string expected;
};

class ManagerPathTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(ManagerPathTest, JoinsWithExactlyOneSeparator)
{
    EXPECT_EQ(TwainConnection::managerPath(GetParam().directory), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Directories, ManagerPathTest,
    ::testing::Values(JoinCase{"/usr/lib/vestiscop", std::string("/usr/lib/vestiscop/") + TwainConnection::managerFileName()},
                      JoinCase{"/usr/lib/vestiscop/", std::string("/usr/lib/vestiscop/") + TwainConnection::managerFileName()},
                      JoinCase{"/", std::string("/") + TwainConnection::managerFileName()}));

TEST_F(TwainConnectionTest, LibraryDirectoryHoldsTheBuiltManager)
{
    // The build puts the manager where a program of this build tree finds it.
    const std::string path = TwainConnection::managerPath(TwainConnection::libraryDirectory());
    EXPECT_EQ(access(path.c_str(), R_OK), 0) << path;
}

TEST_F(TwainConnectionTest, MissingLibraryIsNoScanner)
{
    setenv("VESTISCOP_TWAIN_MANAGER", "/nonexistent/libnothing.so", 1);
    Connection connection;
    EXPECT_EQ(failureOf([&] { connection.loadManager(); }), "ScannerError 0 load library");
    EXPECT_EQ(connection.state(), 1);
}

TEST_F(TwainConnectionTest, LibraryWithoutEntryIsNoScanner)
{
    setenv("VESTISCOP_TWAIN_MANAGER", "libm.so.6", 1);
    Connection connection;
    EXPECT_EQ(failureOf([&] { connection.loadManager(); }), "ScannerError 0 get entry proc");
    EXPECT_EQ(connection.state(), 1);
}

// --- Start-up and the state guards ---

TEST_F(TwainConnectionTest, StartUpSendsIdentityAndParent)
{
    Connection connection;
    open(connection);
    ASSERT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_OPENDSM, MSG_OPENDS}));
    EXPECT_EQ(fake::callsOf(MSG_OPENDSM)[0].parent, static_cast<void*>(static_cast<EventSink*>(&m_sink)));
    EXPECT_EQ(+fake::callsOf(MSG_OPENDS)[0].identity.Id, 0u);
    EXPECT_FALSE(fake::callsOf(MSG_OPENDS)[0].toSource);

    const TW_IDENTITY& application = connection.applicationIdentity();
    EXPECT_EQ(+application.Id, 7u);  // assigned by the manager
    EXPECT_EQ(application.ProtocolMajor, 1);
    EXPECT_EQ(application.ProtocolMinor, 9);
    EXPECT_EQ(+application.SupportedGroups, DG_CONTROL | DG_IMAGE);
    EXPECT_STREQ(application.ProductName, "Vestiscop");
    EXPECT_STREQ(application.Manufacturer, "Quorvex");
    EXPECT_STREQ(application.ProductFamily, "TWAIN");
    EXPECT_EQ(application.Version.Language, 13);
    EXPECT_STREQ(connection.sourceIdentity().ProductName, "Fake scanner");
}

TEST_F(TwainConnectionTest, OpenSourceWhenOpenSendsNothing)
{
    Connection connection;
    open(connection);
    fake::reset();
    EXPECT_EQ(failureOf([&] { connection.openSource(); }), "none");
    EXPECT_TRUE(fake::calls().empty());
    EXPECT_EQ(connection.state(), 4);
}

TEST_F(TwainConnectionTest, OperationsOutsideTheirStatesSendNothing)
{
    Connection connection;
    open(connection);
    fake::reset();
    connection.openManager(nullptr);
    connection.disableSource();
    connection.endTransfer();
    EXPECT_FALSE(connection.processEvent(nullptr));
    EXPECT_TRUE(fake::calls().empty());
    EXPECT_EQ(connection.hiddenWindow(), nullptr);
}

TEST_F(TwainConnectionTest, NoParentMakesTheConnectionsOwnQueue)
{
    Connection connection;
    connection.loadManager();
    connection.openManager(nullptr);
    ASSERT_NE(connection.hiddenWindow(), nullptr);
    EXPECT_EQ(fake::callsOf(MSG_OPENDSM)[0].parent,
              static_cast<void*>(static_cast<EventSink*>(connection.hiddenWindow())));
    connection.closeManager();
    EXPECT_EQ(connection.hiddenWindow(), nullptr);
    EXPECT_EQ(connection.state(), 2);
}

struct ProtocolCase {
    TW_UINT16 major;
    TW_UINT16 minor;
    std::string failure;
};

class ProtocolTest : public TwainConnectionTest, public ::testing::WithParamInterface<ProtocolCase> {};

TEST_P(ProtocolTest, OnlyVersionOneFromFiveOnIsAccepted)
{
    fake::script().source.ProtocolMajor = GetParam().major;
    fake::script().source.ProtocolMinor = GetParam().minor;
    Connection connection;
    connection.loadManager();
    connection.openManager(&m_sink);
    EXPECT_EQ(failureOf([&] { connection.openSource(); }), GetParam().failure);
    // Rejected or not, the source is open.
    EXPECT_EQ(connection.state(), 4);
}

INSTANTIATE_TEST_SUITE_P(Versions, ProtocolTest,
                         ::testing::Values(ProtocolCase{1, 4, "ScannerError 3 invalid version"},
                                           ProtocolCase{2, 0, "ScannerError 3 invalid version"},
                                           ProtocolCase{1, 5, "none"}, ProtocolCase{1, 9, "none"}));

// --- Results and condition codes ---

struct ConditionCase {
    TW_UINT16 condition;
    std::string failure;
};

class ConditionTest : public TwainConnectionTest, public ::testing::WithParamInterface<ConditionCase> {};

TEST_P(ConditionTest, FailedSettingRaisesByCondition)
{
    Connection connection;
    open(connection);
    fake::script().capabilityAnswers[ICAP_XRESOLUTION] = {TWRC_FAILURE, GetParam().condition};
    OneValueContainer value = OneValueContainer::fix32(300);
    EXPECT_EQ(failureOf([&] { connection.setCapability(ICAP_XRESOLUTION, value, "X resolution"); }),
              GetParam().failure);
    EXPECT_EQ(connection.stepText(), "set X resolution");
    EXPECT_EQ(connection.state(), 4);
    // The status was asked of the source the setting went to.
    ASSERT_FALSE(fake::calls().empty());
    EXPECT_EQ(fake::calls().back().dat, DAT_STATUS);
    EXPECT_TRUE(fake::calls().back().toSource);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConditionTest,
    ::testing::Values(ConditionCase{TWCC_SUCCESS, "ScannerError 4 set X resolution"},
                      ConditionCase{TWCC_BUMMER, "ScannerError 2 set X resolution"},
                      ConditionCase{TWCC_LOWMEMORY, "SystemError 0 set X resolution"},
                      ConditionCase{TWCC_NODS, "ScannerError 0 set X resolution"},
                      ConditionCase{TWCC_MAXCONNECTIONS, "ScannerError 1 set X resolution"},
                      ConditionCase{TWCC_OPERATIONERROR, "ScannerError 2 set X resolution"},
                      ConditionCase{TWCC_BADCAP, "ScannerError 3 set X resolution"},
                      ConditionCase{7, "ScannerError 2 set X resolution"},
                      ConditionCase{8, "ScannerError 2 set X resolution"},
                      ConditionCase{TWCC_BADPROTOCOL, "ScannerError 4 set X resolution"},
                      ConditionCase{TWCC_BADVALUE, "ScannerError 3 set X resolution"},
                      ConditionCase{TWCC_SEQERROR, "ScannerError 4 set X resolution"},
                      ConditionCase{TWCC_BADDEST, "ScannerError 4 set X resolution"},
                      ConditionCase{TWCC_CAPUNSUPPORTED, "ScannerError 3 set X resolution"},
                      ConditionCase{TWCC_CAPBADOPERATION, "ScannerError 3 set X resolution"},
                      ConditionCase{TWCC_CAPSEQERROR, "ScannerError 4 set X resolution"},
                      ConditionCase{TWCC_DENIED, "ScannerRefused 0 set X resolution"},
                      ConditionCase{TWCC_NOCOLOUR, "ScannerRefused 1 set X resolution"},
                      ConditionCase{TWCC_TIMEDOUT, "SystemError 6 set X resolution"},
                      ConditionCase{TWCC_PAPERJAM, "ScannerError 2 set X resolution"},
                      ConditionCase{0x7FFF, "ScannerError 2 set X resolution"}));

TEST_F(TwainConnectionTest, FailedStatusRequestCountsAsGeneralFailure)
{
    Connection connection;
    open(connection);
    fake::script().capabilityAnswers[ICAP_XRESOLUTION] = {TWRC_FAILURE, TWCC_BADVALUE};
    fake::script().statusFails = true;
    OneValueContainer value = OneValueContainer::fix32(300);
    EXPECT_EQ(failureOf([&] { connection.setCapability(ICAP_XRESOLUTION, value, "X resolution"); }),
              "ScannerError 2 set X resolution");
}

TEST_F(TwainConnectionTest, DeniedFailureIsRaisedAndTheStepDoesNotCount)
{
    Connection connection;
    open(connection);
    fake::script().answers[{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}] = {TWRC_FAILURE, TWCC_DENIED};
    EXPECT_EQ(failureOf([&] { connection.enableSource(false); }), "ScannerRefused 0 enable source");
    EXPECT_EQ(connection.state(), 4);
}

TEST_F(TwainConnectionTest, DeniedOpenLeavesTheSourceClosed)
{
    fake::script().answers[{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS}] = {TWRC_FAILURE, TWCC_DENIED};
    Connection connection;
    connection.loadManager();
    connection.openManager(&m_sink);
    EXPECT_EQ(failureOf([&] { connection.openSource(); }), "ScannerRefused 0 open source");
    EXPECT_EQ(connection.state(), 3);
}

TEST_F(TwainConnectionTest, ManagerFailureIsAskedOfTheManager)
{
    fake::script().answers[{DG_CONTROL, DAT_IDENTITY, MSG_OPENDS}] = {TWRC_FAILURE, TWCC_NODS};
    Connection connection;
    connection.loadManager();
    connection.openManager(&m_sink);
    EXPECT_EQ(failureOf([&] { connection.openSource(); }), "ScannerError 0 open source");
    EXPECT_EQ(connection.state(), 3);
    EXPECT_FALSE(fake::calls().back().toSource);
}

TEST_F(TwainConnectionTest, CheckStatusAndCancelResults)
{
    Connection connection;
    open(connection);
    fake::script().answers[{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}] = {TWRC_CHECKSTATUS, TWCC_SUCCESS};
    EXPECT_EQ(failureOf([&] { connection.enableSource(false); }), "ScannerError 3 enable source");
    EXPECT_EQ(connection.state(), 4);
    fake::script().answers[{DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS}] = {TWRC_CANCEL, TWCC_SUCCESS};
    EXPECT_EQ(failureOf([&] { connection.enableSource(false); }), "Cancelled");
    EXPECT_EQ(connection.state(), 4);
}

TEST_F(TwainConnectionTest, UnnamedCapabilityStepIsQuestionMarks)
{
    Connection connection;
    open(connection);
    fake::script().capabilityAnswers[CAP_XFERCOUNT] = {TWRC_FAILURE, TWCC_BADVALUE};
    OneValueContainer count(TWTY_INT16, 1);
    EXPECT_EQ(failureOf([&] { connection.setCapability(CAP_XFERCOUNT, count, nullptr); }),
              "ScannerError 3 set ???");
}

// --- Events and the end of a transfer ---

TEST_F(TwainConnectionTest, ForeignEventIsNotConsumed)
{
    Connection connection;
    enable(connection);
    fake::script().events.push_back({TWRC_NOTDSEVENT, MSG_NULL});
    const int message = 42;
    EXPECT_FALSE(connection.processEvent(&message));
    EXPECT_EQ(fake::callsOf(MSG_PROCESSEVENT)[0].event, &message);
    EXPECT_EQ(connection.notifications, 0);
    EXPECT_EQ(connection.state(), 5);
}

TEST_F(TwainConnectionTest, TransferReadyNotifiesOnceInStateSix)
{
    Connection connection;
    enable(connection);
    fake::script().events.push_back({TWRC_DSEVENT, MSG_XFERREADY});
    fake::script().events.push_back({TWRC_DSEVENT, MSG_XFERREADY});
    EXPECT_TRUE(connection.processEvent(nullptr));
    EXPECT_TRUE(connection.processEvent(nullptr));
    EXPECT_EQ(connection.notifications, 1);
    EXPECT_EQ(connection.stateAtNotification, 6);
}

TEST_F(TwainConnectionTest, CloseRequestDisablesThenNotifies)
{
    Connection connection;
    enable(connection);
    fake::script().events.push_back({TWRC_DSEVENT, MSG_CLOSEDSREQ});
    EXPECT_TRUE(connection.processEvent(nullptr));
    EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_PROCESSEVENT, MSG_DISABLEDS}));
    EXPECT_EQ(connection.notifications, 1);
    EXPECT_EQ(connection.stateAtNotification, 4);
}

TEST_F(TwainConnectionTest, PendingImagesAreReset)
{
    Connection connection;
    enable(connection);
    connection.setState(7);
    fake::script().pendingAfterEnd = 2;
    connection.endTransfer();
    EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_ENDXFER, MSG_RESET}));
    EXPECT_EQ(connection.state(), 5);
}

TEST_F(TwainConnectionTest, NoPendingImageNeedsNoReset)
{
    Connection connection;
    enable(connection);
    connection.setState(7);
    connection.endTransfer();
    EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_ENDXFER}));
    EXPECT_EQ(connection.state(), 5);
}

TEST_F(TwainConnectionTest, FailedEndOfTransferKeepsState)
{
    Connection connection;
    enable(connection);
    connection.setState(7);
    fake::script().answers[{DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER}] = {TWRC_FAILURE, TWCC_SEQERROR};
    EXPECT_EQ(failureOf([&] { connection.endTransfer(); }), "ScannerError 4 end transfer");
    EXPECT_EQ(connection.state(), 7);
}

TEST_F(TwainConnectionTest, FailedTransferFreesWhatTheSourceGave)
{
    // The source fails but hands memory over anyway; the sanitizer's leak
    // check catches it if it is dropped.
    Connection connection;
    enable(connection);
    connection.setState(6);
    fake::script().image = twainAlloc(100);
    fake::script().answers[{DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET}] = {TWRC_FAILURE, TWCC_OPERATIONERROR};
    fake::script().transferResult = TWRC_FAILURE;
    EXPECT_EQ(failureOf([&] { twainFree(connection.transferNativeImage()); }), "ScannerError 2 get image");
}

// --- Teardown ---

TEST_F(TwainConnectionTest, TeardownShutsEverythingDownDespiteFailures)
{
    {
        Connection connection;
        enable(connection);
        fake::script().answers[{DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS}] = {TWRC_FAILURE, TWCC_BUMMER};
    }
    EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_DISABLEDS, MSG_CLOSEDS, MSG_CLOSEDSM}));
    EXPECT_TRUE(fake::callsOf(MSG_CLOSEDS)[0].toSource);
}

TEST_F(TwainConnectionTest, ExplicitShutdownLeavesNothingForTheDestructor)
{
    {
        Connection connection;
        enable(connection);
        connection.shutdown();
        EXPECT_EQ(connection.state(), 1);
        EXPECT_EQ(fake::messages(), (std::vector<TW_UINT16>{MSG_DISABLEDS, MSG_CLOSEDS, MSG_CLOSEDSM}));
        fake::reset();
    }
    EXPECT_TRUE(fake::calls().empty());
}

TEST_F(TwainConnectionTest, TeardownOfAFreshConnectionSendsNothing)
{
    {
        Connection connection;
        connection.loadManager();
    }
    EXPECT_TRUE(fake::calls().empty());
}

} // namespace
} // namespace vestiscop::scanner
