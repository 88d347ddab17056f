#pragma once
// Driving the configuration dialogs in tests: a script runs once the modal dialog is up, and
// whatever it leaves open is cancelled so a failed check never hangs the run. Controls are
// found by their accessible names, which doubles as a check that every control has one.
#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/DeviceEnumerator.h"
#include "settings/dialogs/CQZPropertyPage.h"
#include "settings/dialogs/CQZPropertySheet.h"
#include "tests/support/IsolatedTest.h"

namespace tarnel::test {

inline void WhenShown(QDialog& dialog, std::function<void()> script) {
    QTimer::singleShot(0, &dialog, [&dialog, script = std::move(script)] {
        script();
        if (dialog.isVisible()) dialog.reject();
    });
}

inline void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

// The control named `name` on the sheet's page `index`; null (and a failure) when missing.
template <class W>
W* Control(dialogs::CQZPropertySheet& sheet, int index, const QString& name) {
    QWidget* page = sheet.widget(index);
    if (page) {
        for (W* w : page->findChildren<W*>()) {
            if (w->accessibleName() == name) return w;
        }
    }
    ADD_FAILURE() << "no control " << name.toStdString() << " on page " << index;
    return nullptr;
}

// Audio compressors with the given display names.
inline DeviceEnumeratorFactory Compressors(std::vector<std::string> names) {
    class Moniker : public FilterMoniker {
    public:
        explicit Moniker(std::string name) : name_(std::move(name)) {}
        HRESULT ReadProperty(std::string_view property, std::string* value) override {
            if (property != "FriendlyName") return E_FAIL;
            *value = name_;
            return S_OK;
        }
        HRESULT BindToFilter(std::shared_ptr<IBaseFilter>*) override { return E_FAIL; }

    private:
        std::string name_;
    };
    class Enumerator : public DeviceEnumerator {
    public:
        explicit Enumerator(std::vector<std::string> names) : names_(std::move(names)) {}
        HRESULT CreateClassEnumerator(
            const GUID&, std::vector<std::unique_ptr<FilterMoniker>>* monikers) override {
            for (const auto& n : names_) monikers->push_back(std::make_unique<Moniker>(n));
            return names_.empty() ? S_FALSE : S_OK;
        }

    private:
        std::vector<std::string> names_;
    };
    return [names = std::move(names)] { return std::make_unique<Enumerator>(names); };
}

}  // namespace tarnel::test
