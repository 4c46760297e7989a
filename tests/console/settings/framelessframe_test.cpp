// Enter in the console's modal dialogs: no button acts on it, whichever
// line edit or button has the focus.
#include "CodingSet.h"
#include "FakeProjectConsole.h"
#include "consoletestenv.h"
#include "engineeringinfo.h"
#include "engineershoworhide.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

template <class Dialog> void expectEnterInert()
{
    testenv::removeConfig();
    FakeProjectConsole console;
    Dialog dialog;
    dialog.setConsole(&console);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    std::vector<std::unique_ptr<QSignalSpy>> clicks;
    const auto buttons = dialog.template findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        clicks.push_back(std::make_unique<QSignalSpy>(button, &QPushButton::clicked));
    QList<QWidget*> targets;
    for (QLineEdit* edit : dialog.template findChildren<QLineEdit*>())
        targets << edit;
    for (QPushButton* button : buttons)
        targets << button;
    for (QWidget* target : targets) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
    }
    for (std::size_t i = 0; i < clicks.size(); ++i)
        EXPECT_EQ(clicks[i]->count(), 0)
            << buttons[static_cast<int>(i)]->objectName().toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(console.m_iApplies + console.m_iReloads, 0);
    EXPECT_TRUE(testenv::readConfigBytes().isEmpty());
}

TEST(FramelessDialogs, EnterActsOnNoButtonOfTheModalDialogs)
{
    expectEnterInert<engineeringinfo>();
    expectEnterInert<engineershoworhide>();
    expectEnterInert<CodingSet>();
}

} // namespace
