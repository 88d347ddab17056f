#include "ui/CAboutDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/HelpGuide.h"
#include "ui/QtDocumentHost.h"
#include "update/UpdateServer.h"

namespace tarnel::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tarnel Audio Converter"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAccessibleName(QStringLiteral("Program icon"));
    auto* name = new QLabel(QString::fromUtf8(kProgramTitle), this);
    QFont big = name->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    name->setFont(big);
    auto* version = new QLabel(
        QStringLiteral("Product Version: ") + QString::fromStdString(ProductVersionText()), this);
    const QUrl page = ProductPageUrl();
    auto* link = new QLabel(this);
    link->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                      .arg(page.toString(QUrl::FullyEncoded),
                           page.isLocalFile() ? QStringLiteral("User guide") : page.toString()));
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    link->setOpenExternalLinks(true);
    link->setAccessibleName(QStringLiteral("Product web page"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addWidget(link);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tarnel::ui
