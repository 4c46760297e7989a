#include "aboutdlg.h"

#include "inisettings.h"
#include "ui_aboutdlg.h"

#include <QIcon>

aboutdlg::aboutdlg(QWidget* parent) : FramelessFrame<QWidget>(parent), ui(new Ui::aboutdlg)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->pushButtonIcon->setIcon(QIcon(QStringLiteral(":/icons/TitleBar/logo.png")));
    ui->pushButtonIcon->setIconSize(ui->pushButtonIcon->size());
    ui->labelVersion->setText(GetQStringFromIni("/about/version"));
    ui->labelCompany->setText(GetQStringFromIni("/about/company"));
    connect(ui->pushButtonClose, &QPushButton::clicked, this, &QWidget::close);
}

aboutdlg::~aboutdlg() = default;
