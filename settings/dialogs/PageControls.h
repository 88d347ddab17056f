#pragma once
// Small helpers the dialog pages share: accessible names taken from the visible labels, and the
// lists of numbers (bitrates, sampling rates) that show a record field by selecting its value.
#include <QString>
#include <QWidget>

#include <cstdint>
#include <span>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;

namespace tarnel::dialogs {

// The label as a screen reader should say it: without the mnemonic marker ("&&" stays one
// "&") and without surrounding blanks.
QString StripMnemonic(const QString& label);

// Gives `widget` the accessible name of `label` and returns it.
template <class W>
W* Named(W* widget, const QString& label) {
    widget->setAccessibleName(StripMnemonic(label));
    return widget;
}

// Buttons named after their text.
QRadioButton* NamedRadio(const QString& text);
QCheckBox* NamedCheck(const QString& text);

// Checks the group's button `id`; an id without a button leaves the group with none checked.
void CheckInGroup(QButtonGroup* group, int id);

// A label for `buddy` (its mnemonic focuses the buddy); the buddy is named after it.
QLabel* BuddyLabel(const QString& text, QWidget* buddy);

// Replaces the entries with the numbers in decimal, in order, each carrying its value.
void FillNumbers(QComboBox* list, std::span<const int32_t> values);
// Selects the entry holding `value`; a value not in the list leaves no selection.
void SelectNumber(QComboBox* list, int32_t value);
// The selected entry's value into `field`; without a selection `field` keeps its value.
void TakeNumber(const QComboBox* list, int32_t& field);

// The value lists of the export pages, in the order the pages offer them.
inline constexpr int32_t kMp3Bitrates[] = {32,  40,  48,  56,  64,  80,  96,
                                           112, 128, 160, 192, 224, 256, 320};
inline constexpr int32_t kOggBitrates[] = {64, 80, 96, 112, 128, 160, 224, 256, 320, 500};
inline constexpr int32_t kSampleRates[] = {16000, 22050, 32000, 44100, 48000};

}  // namespace tarnel::dialogs
