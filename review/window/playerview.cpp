#include "playerview.h"

#include "reportdata.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <cmath>
#include <functional>

namespace {

constexpr int kMinimumPictureWidth = 320;
constexpr int kMinimumPictureHeight = 180;
constexpr int kNormalSpeed = 2; // 1× in PlaybackEngine::kSpeeds
constexpr int kSliderStepMs = 1000;
constexpr int kSliderPageMs = 10000;

// The picture, as the engine made it for this size, centred on black.
class FramePicture : public QWidget {
public:
    explicit FramePicture(std::function<void(const QSize&)> resized, QWidget* parent)
        : QWidget(parent), m_resized(std::move(resized))
    {
        setObjectName(QStringLiteral("framePicture"));
        setMinimumSize(kMinimumPictureWidth, kMinimumPictureHeight);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setImage(const QImage& image)
    {
        m_image = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        QSize size = m_image.size() / m_image.devicePixelRatio();
        if (size.width() > width() || size.height() > height()) {
            size.scale(this->size(), Qt::KeepAspectRatio); // until a picture of this size comes
        }
        const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2),
                           size);
        painter.drawImage(target, m_image);
    }
    void resizeEvent(QResizeEvent*) override { m_resized(size() * devicePixelRatioF()); }

private:
    std::function<void(const QSize&)> m_resized;
    QImage m_image;
};

QString clockText(double seconds, bool milliseconds)
{
    const QString whole = ReportTexts::minutesSeconds(seconds);
    if (!known(seconds) || !milliseconds) {
        return whole;
    }
    const qint64 ms = static_cast<qint64>(std::floor(std::max(0.0, seconds) * 1000)) % 1000;
    return whole + QStringLiteral(".%1").arg(ms, 3, 10, QLatin1Char('0'));
}

QString degrees(double value)
{
    return known(value) ? QString::number(value, 'f', 2) + QStringLiteral("°")
                        : QStringLiteral("—");
}

} // namespace

PlayerView::PlayerView(QWidget* parent)
    : QWidget(parent), m_engine(new PlaybackEngine(this)), m_problem(new QLabel(this)),
      m_time(new QLabel(this)), m_telemetry(new QLabel(this)),
      m_slider(new QSlider(Qt::Horizontal, this)), m_scale(new DistanceScale(m_slider, this)),
      m_speed(new QComboBox(this)), m_play(new QPushButton(this))
{
    setObjectName(QStringLiteral("player"));
    setFocusPolicy(Qt::StrongFocus);
    m_picture =
        new FramePicture([this](const QSize& size) { m_engine->setPictureSize(size); }, this);
    m_problem->setObjectName(QStringLiteral("playerProblem"));
    m_problem->setAlignment(Qt::AlignCenter);
    m_problem->setWordWrap(true);
    m_time->setObjectName(QStringLiteral("playerTime"));
    m_telemetry->setObjectName(QStringLiteral("playerTelemetry"));
    m_telemetry->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_slider->setObjectName(QStringLiteral("playerPosition"));
    m_slider->setFocusPolicy(Qt::NoFocus);
    buildControls();

    connect(m_engine, &PlaybackEngine::frameReady, this, &PlayerView::takeFrame);
    connect(m_engine, &PlaybackEngine::opened, this, &PlayerView::opened);
    connect(m_engine, &PlaybackEngine::playingChanged, this, [this](bool playing) {
        m_playing = playing;
        m_play->setText(playing ? tr("暂停") : tr("播放"));
    });
    connect(m_engine, &PlaybackEngine::grabbed, this,
            [this](const QString& file, const QString& error) {
                emit grabbed(file, error, m_grabKind);
            });
    // Moved by the user (the frames set it quietly): every position it passes is asked for.
    m_slider->setSingleStep(kSliderStepMs);
    m_slider->setPageStep(kSliderPageMs);
    connect(m_slider, &QSlider::valueChanged, this, [this](int ms) { seekTo(ms / 1000.0); });
    const auto key = [this](const QKeySequence& sequence, std::function<void()> action) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        shortcut->setAutoRepeat(true);
        connect(shortcut, &QShortcut::activated, this, std::move(action));
    };
    key(Qt::Key_Space, [this] { togglePlaying(); });
    key(Qt::Key_Left, [this] { step(-1); });
    key(Qt::Key_Right, [this] { step(1); });
    key(Qt::SHIFT | Qt::Key_Left, [this] { seekBy(-1); });
    key(Qt::SHIFT | Qt::Key_Right, [this] { seekBy(1); });
    key(Qt::CTRL | Qt::Key_Left, [this] { seekBy(-10); });
    key(Qt::CTRL | Qt::Key_Right, [this] { seekBy(10); });
    key(Qt::Key_Home, [this] { seekTo(0); });
    key(Qt::Key_End, [this] { seekTo(m_media.durationS); });
    key(Qt::Key_BracketLeft, [this] { changeSpeed(-1); });
    key(Qt::Key_BracketRight, [this] { changeSpeed(1); });
    key(Qt::Key_Escape, [this] { emit leave(); });
}

void PlayerView::buildControls()
{
    auto* pictureArea = new QStackedLayout;
    pictureArea->setStackingMode(QStackedLayout::StackAll);
    pictureArea->addWidget(m_problem);
    pictureArea->addWidget(m_picture);
    m_problem->hide();

    // Two rows, so that the picture area stays narrow enough for the list beside it.
    auto* buttons = new QHBoxLayout;
    auto* grabs = new QHBoxLayout;
    const auto button = [&](QHBoxLayout* row, const QString& text, const QString& tip,
                            std::function<void()> act) {
        auto* b = new QPushButton(text, this);
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, std::move(act));
        row->addWidget(b);
    };
    button(buttons, tr("−10 秒"), tr("Ctrl+←"), [this] { seekBy(-10); });
    button(buttons, tr("−1 秒"), tr("Shift+←"), [this] { seekBy(-1); });
    button(buttons, tr("◀ 帧"), tr("←"), [this] { step(-1); });
    m_play->setText(tr("播放"));
    m_play->setToolTip(tr("空格"));
    m_play->setFocusPolicy(Qt::NoFocus);
    connect(m_play, &QPushButton::clicked, this, &PlayerView::togglePlaying);
    buttons->addWidget(m_play);
    button(buttons, tr("帧 ▶"), tr("→"), [this] { step(1); });
    button(buttons, tr("+1 秒"), tr("Shift+→"), [this] { seekBy(1); });
    button(buttons, tr("+10 秒"), tr("Ctrl+→"), [this] { seekBy(10); });
    m_speed->setObjectName(QStringLiteral("playerSpeed"));
    m_speed->setFocusPolicy(Qt::NoFocus);
    m_speed->setToolTip(tr("[ 减速，] 加速"));
    for (const double s : PlaybackEngine::kSpeeds) {
        m_speed->addItem(s < 1 ? QStringLiteral("1/%1×").arg(1 / s) : QStringLiteral("%1×").arg(s),
                         s);
    }
    m_speed->setCurrentIndex(kNormalSpeed);
    connect(m_speed, QOverload<int>::of(&QComboBox::activated), this, &PlayerView::setSpeedIndex);
    buttons->addWidget(m_speed);
    buttons->addStretch();
    // Grabbing is the window's; the buttons say which key does it.
    for (const auto& [text, kind] : {std::pair<QString, GrabKind>{tr("截图 (F2)"), kSnapshot},
                                     {tr("连续缺陷起点 (F7)"), kContinuousStart},
                                     {tr("连续缺陷终点 (F8)"), kContinuousEnd}}) {
        button(grabs, text, QString(), [this, kind = kind] { emit grabRequested(kind); });
    }
    grabs->addStretch();
    grabs->addWidget(m_time);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(pictureArea, 1);
    layout->addWidget(m_telemetry);
    layout->addWidget(m_slider);
    layout->addWidget(m_scale);
    layout->addLayout(buttons);
    layout->addLayout(grabs);
}

void PlayerView::showRecording(const Recording& recording, const QString& folder, double atS)
{
    if (recording.name == m_recording.name && !m_recording.name.isEmpty()) {
        if (known(atS)) {
            seekTo(atS);
        }
        return;
    }
    m_recording = recording;
    m_video.clear();
    m_media = PlayerMedia();
    m_frame = PlayerFrame();
    m_target = known(atS) ? atS : 0;
    m_playing = false;
    m_play->setText(tr("播放"));
    m_slider->setRange(0, 0);
    m_scale->setTrack(nullptr);
    m_scale->setMarks({});
    static_cast<FramePicture*>(m_picture)->setImage(QImage());
    m_telemetry->setText(telemetryText());
    m_time->setText(QString());
    if (recording.videoFile.isEmpty()) {
        m_problem->setText(tr("录像 %1 没有视频文件，只有遥测").arg(recording.name));
        m_problem->show();
        m_engine->close();
        return;
    }
    m_problem->hide();
    const QDir dir(folder);
    m_video = dir.filePath(recording.videoFile);
    m_engine->open(m_video,
                   recording.csvFile.isEmpty() ? QString() : dir.filePath(recording.csvFile),
                   m_target);
}

void PlayerView::opened(const PlayerMedia& media)
{
    if (media.video != m_video) {
        return;
    }
    m_media = media;
    m_scale->setTrack(media.track);
    const double duration = known(media.durationS) ? media.durationS : 0;
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setRange(0, static_cast<int>(std::lround(duration * 1000)));
    }
    m_scale->update();
    m_telemetry->setText(telemetryText());
    m_problem->setText(tr("无法播放 %1：%2").arg(m_recording.videoFile, media.problem));
    m_problem->setVisible(!media.problem.isEmpty());
}

void PlayerView::takeFrame()
{
    PlayerFrame frame = m_engine->takeFrame();
    if (!known(frame.timeS) || frame.video != m_video) {
        return;
    }
    m_frame = std::move(frame);
    m_target = kUnknown;
    static_cast<FramePicture*>(m_picture)->setImage(m_frame.picture);
    m_telemetry->setText(telemetryText());
    m_time->setText(QStringLiteral("%1 / %2").arg(clockText(m_frame.timeS, true),
                                                  clockText(m_media.durationS, false)));
    if (!m_slider->isSliderDown()) {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(static_cast<int>(std::lround(m_frame.timeS * 1000)));
    }
}

QString PlayerView::telemetryText() const
{
    const TelemetryReading none;
    const TelemetryReading& r = m_frame.hasRow ? m_frame.row : none;
    QString text = tr("距离 %1 m　电缆 %2 m　横滚 %3　俯仰 %4　航向 %5")
                       .arg(ReportTexts::metres(r.distanceM), ReportTexts::metres(r.cableM),
                            degrees(r.rollDeg), degrees(r.pitchDeg), degrees(r.headingDeg));
    // Why the values are missing or may jump: a CSV that cannot be read, or rows of it.
    if (!m_media.telemetryProblem.isEmpty()) {
        text += tr("　（遥测 %1：%2）").arg(m_recording.csvFile, m_media.telemetryProblem);
    }
    return text;
}

QString PlayerView::problemText() const
{
    return m_problem->isVisible() ? m_problem->text() : QString();
}

double PlayerView::speed() const
{
    return m_speed->currentData().toDouble();
}

void PlayerView::grab(const GrabMoment& moment, GrabKind kind)
{
    m_grabKind = kind;
    m_playing = false;
    m_engine->grab(moment);
}

void PlayerView::togglePlaying()
{
    m_playing = !m_playing;
    if (m_playing) {
        m_engine->play();
    } else {
        m_engine->pause();
    }
}

void PlayerView::pause()
{
    m_playing = false;
    m_engine->pause();
}

void PlayerView::step(int frames)
{
    m_playing = false;
    m_target = kUnknown;
    m_engine->step(frames);
}

void PlayerView::seekBy(double seconds)
{
    seekTo((known(m_target) ? m_target : m_frame.timeS) + seconds);
}

void PlayerView::seekTo(double seconds)
{
    if (!known(seconds)) {
        return;
    }
    const double end = known(m_media.durationS) ? m_media.durationS : seconds;
    m_target = std::clamp(seconds, 0.0, std::max(0.0, end));
    m_engine->seek(m_target);
}

void PlayerView::changeSpeed(int steps)
{
    setSpeedIndex(std::clamp(m_speed->currentIndex() + steps, 0, m_speed->count() - 1));
}

void PlayerView::setSpeedIndex(int index)
{
    m_speed->setCurrentIndex(index);
    m_engine->setSpeed(m_speed->itemData(index).toDouble());
}

void PlayerView::hideEvent(QHideEvent* event)
{
    pause();
    QWidget::hideEvent(event);
}
