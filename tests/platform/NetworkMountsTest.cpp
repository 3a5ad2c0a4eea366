// Mounting a network location that asks for a login, against a stand-in for the mount tool: the
// questions as the tool asks them, the answers on its input, Cancel and a silent tool ending it.
#include "platform/NetworkMounts.h"
#include "tests/support/MountStandIn.h"

#include <QTimer>
#include <gtest/gtest.h>

using platform::MountNetworkLocation;
using platform::ParseMountQuestion;
using TKind = platform::TMountQuestion::TKind;

namespace {
const QString Address = "smb://host/share";

// Answers with the given texts in turn and records the questions.
struct TAnswers {
  explicit TAnswers(QStringList Answers = {}) : Texts(std::move(Answers)) {}
  QStringList Texts;
  QList<platform::TMountQuestion> Asked;
  platform::TMountAnswer Function() {
    return [this](const platform::TMountQuestion &Question) -> std::optional<QString> {
      Asked << Question;
      if (Texts.isEmpty())
        return std::nullopt;
      return Texts.takeFirst();
    };
  }
};
} // namespace

TEST(NetworkMounts, TheLoginGoesToTheToolsInputAndNeverOntoItsCommandLine) {
  TMountStandIn tool;
  const QString password = QString::fromUtf8(TMountStandIn::Password);
  TAnswers answers({TMountStandIn::User, "", password});
  const auto result = MountNetworkLocation(Address, answers.Function());
  EXPECT_TRUE(result.Ok) << result.Message.toStdString();
  EXPECT_TRUE(tool.Mounted());
  EXPECT_EQ(tool.Arguments(), QStringList({"mount", Address}));
  ASSERT_EQ(answers.Asked.size(), 3);
  EXPECT_EQ(answers.Asked[0].Kind, TKind::User);
  EXPECT_EQ(answers.Asked[0].Default, "guest");
  EXPECT_TRUE(answers.Asked[0].Message.startsWith(TMountStandIn::Message));
  EXPECT_TRUE(answers.Asked[0].Message.contains("on \"host\""));
  EXPECT_EQ(answers.Asked[1].Kind, TKind::Domain);
  EXPECT_EQ(answers.Asked[1].Default, "WORKGROUP");
  EXPECT_EQ(answers.Asked[1].Message, ""); // the message came with the first question
  EXPECT_EQ(answers.Asked[2].Kind, TKind::Password);
  EXPECT_EQ(answers.Asked[2].Default, "");
}

TEST(NetworkMounts, AWrongAnswerFailsWithTheToolsMessage) {
  TMountStandIn tool;
  // A line break in an answer stays in it: it cannot answer the next question.
  TAnswers answers({TMountStandIn::User, "", "wrong\nguess"});
  const auto result = MountNetworkLocation(Address, answers.Function());
  EXPECT_FALSE(result.Ok);
  EXPECT_FALSE(result.Cancelled);
  EXPECT_EQ(result.Message, "gio: " + Address + ": Login failed");
  EXPECT_EQ(answers.Asked.size(), 3);
  EXPECT_FALSE(tool.Mounted());
}

TEST(NetworkMounts, CancelEndsTheToolEvenOneThatWillNotStop) {
  for (const auto mode : {TMountStandIn::TMode::Login, TMountStandIn::TMode::Stubborn}) {
    TMountStandIn tool(mode);
    TAnswers answers({TMountStandIn::User, ""}); // then Cancel at the password
    const auto result = MountNetworkLocation(Address, answers.Function());
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Message, "");
    EXPECT_EQ(answers.Asked.size(), 3);
    EXPECT_FALSE(tool.Mounted());
    EXPECT_FALSE(tool.Running());
  }
  // Nobody to answer: the first question fails the mount with what the tool said.
  TMountStandIn tool;
  const auto result = MountNetworkLocation(Address);
  EXPECT_FALSE(result.Ok);
  EXPECT_FALSE(result.Cancelled);
  EXPECT_TRUE(result.Message.startsWith(TMountStandIn::Message));
  EXPECT_FALSE(tool.Running());
}

TEST(NetworkMounts, ASilentToolIsEndedAfterItsTimeWhileEventsGoOn) {
  TMountStandIn tool(TMountStandIn::TMode::Silent);
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(0);
  const auto result = MountNetworkLocation(Address, TAnswers().Function(), 200);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Message, "gio did not answer");
  EXPECT_GT(ticks, 0);
  EXPECT_FALSE(tool.Running());
}

TEST(NetworkMounts, QuestionsAreReadAsTheToolPrintsThem) {
  const auto choice = ParseMountQuestion("Can't verify the identity of \"box\".\n"
                                         "[1] Log In Anyway\n[2] Cancel\nChoice: ");
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->Kind, TKind::Choice);
  EXPECT_EQ(choice->Choices, QStringList({"Log In Anyway", "Cancel"}));
  EXPECT_EQ(choice->Message, "Can't verify the identity of \"box\".");
  const auto user = ParseMountQuestion("User [a [b]]: ");
  ASSERT_TRUE(user);
  EXPECT_EQ(user->Default, "a [b]");
  EXPECT_EQ(user->Message, "");
  // Only a question the tool waits on counts: not one already answered, nor a line in a message.
  EXPECT_FALSE(ParseMountQuestion("Password: \n"));
  EXPECT_FALSE(ParseMountQuestion("Password: x"));
  EXPECT_FALSE(ParseMountQuestion("Enter the Password: "));
  EXPECT_FALSE(ParseMountQuestion(""));
}
