#include "AboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "PravikIcon.h"

namespace {

constexpr int kIconSize = 32;

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("关于 Pravik"));
    const QIcon icon = PravikIcon();
    setWindowIcon(icon);

    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(icon.pixmap(kIconSize, kIconSize));
    auto* textLabel = new QLabel(tr("Pravik，版本 1.0"), this);
    textLabel->setObjectName(QStringLiteral("versionLabel"));
    auto* okButton = new QPushButton(tr("确定"), this);
    okButton->setObjectName(QStringLiteral("id1"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addWidget(textLabel, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
}
