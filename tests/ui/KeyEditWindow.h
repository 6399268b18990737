#pragma once

#include "platform/InMemoryControls.h"
#include "ui/KeyEditDialog.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The controls of one key edit window, in memory.
struct KeyEditWindow {
    std::array<CInMemoryEditField, kSlotCount> fields;
    std::array<CInMemoryPicture, 3> modePictures;
    std::array<CInMemoryPicture, kSlotCount> gesturePictures;
    CInMemoryButton ok;
    CInMemoryButton cancel;

    KeyEditControls Controls()
    {
        KeyEditControls controls;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            controls.slotFields[k] = &fields[k];
            controls.gesturePictures[k] = &gesturePictures[k];
        }
        for (std::size_t m = 0; m < modePictures.size(); ++m)
            controls.modePictures[m] = &modePictures[m];
        controls.ok = &ok;
        controls.cancel = &cancel;
        return controls;
    }
};

// Plays the user of every key edit window it runs: each run gets a fresh
// window, what the window showed is recorded, then `user` types and returns
// true for OK or false for Cancel. Without a user, every run ends with OK.
class ScriptedKeyEditor : public IKeyEditRunner {
public:
    struct Shown {
        CKeyEditDialog::SlotTexts texts;
        std::array<bool, kSlotCount> enabled;
    };

    std::function<bool(KeyEditWindow&)> user;
    std::vector<Shown> runs;

    DialogResult Run(CKeyEditDialog& dialog) override
    {
        KeyEditWindow window;
        dialog.OnInitDialog(window.Controls());
        Shown shown;
        for (std::size_t k = 0; k < kSlotCount; ++k) {
            shown.texts[k] = window.fields[k].GetText();
            shown.enabled[k] = window.fields[k].IsEnabled();
        }
        runs.push_back(shown);
        const bool ok = !user || user(window);
        return ok ? dialog.OnOk() : dialog.OnCancel();
    }
};
