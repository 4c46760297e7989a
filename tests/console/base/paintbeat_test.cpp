// Work on a view's repaint beat: it waits for the next beat, never longer
// than the beat's wait, and not at all while the view is still.
#include "paintbeat.h"

#include "coreapp.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>

TEST(PaintBeat, AJobRunsAtTheNextBeatOrAfterItsWaitAndNotAfterItsContext)
{
    CoreApp app;
    PaintBeat beat;
    QObject context;
    int runs = 0;
    beat.run(&context, [&] { ++runs; });
    EXPECT_EQ(runs, 1); // no beat yet: nothing to wait for
    beat.beat();
    beat.run(&context, [&] { ++runs; });
    beat.run(&context, [&] { runs += 10; }); // replaces the job waiting
    EXPECT_EQ(runs, 1);
    beat.beat();
    EXPECT_EQ(runs, 11);
    beat.run(&context, [&] { ++runs; });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < PaintBeat::kWaitMs * 2)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(runs, 12); // no beat came
    beat.beat();
    auto gone = std::make_unique<QObject>();
    beat.run(gone.get(), [&] { ++runs; });
    gone.reset();
    beat.beat();
    EXPECT_EQ(runs, 12);
}
