#include "settings/dialogs/PageControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace tarnel::dialogs {

QString StripMnemonic(const QString& label) {
    QString plain;
    plain.reserve(label.size());
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i] == u'&') {
            if (i + 1 < label.size() && label[i + 1] == u'&') plain += u'&';
            ++i;
            if (i < label.size() && label[i] != u'&') plain += label[i];
            continue;
        }
        plain += label[i];
    }
    return plain.trimmed();
}

QRadioButton* NamedRadio(const QString& text) {
    return Named(new QRadioButton(text), text);
}

QCheckBox* NamedCheck(const QString& text) {
    return Named(new QCheckBox(text), text);
}

void CheckInGroup(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
    } else if (QAbstractButton* checked = group->checkedButton()) {
        group->setExclusive(false);  // an exclusive group cannot be emptied otherwise
        checked->setChecked(false);
        group->setExclusive(true);
    }
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    Named(buddy, text);
    return label;
}

void FillNumbers(QComboBox* list, std::span<const int32_t> values) {
    list->clear();
    for (const int32_t value : values) list->addItem(QString::number(value), value);
}

void SelectNumber(QComboBox* list, int32_t value) {
    list->setCurrentIndex(list->findData(value));
}

void TakeNumber(const QComboBox* list, int32_t& field) {
    if (list->currentIndex() >= 0) field = list->currentData().toInt();
}

}  // namespace tarnel::dialogs
