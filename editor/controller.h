// How a host form drives the editor: the parameters as the plug-in holds
// them, the user's edits, and the meters. The VST 2 effect implements it with
// itself; a host form that keeps the editor apart from the processing (an LV2
// UI) implements it with the messages it exchanges. The editor never holds the
// signal path.
#pragma once

#include <cstdint>

#include "gui/editorbase.h"
#include "vocoder/meters.h"

class EditorController : public CEditorHost {
public:
    // The parameter's current value; 0 outside 0..75.
    virtual float getParameter(std::int32_t index) = 0;
    // Sets a value without reporting it to the host as automation (the chord
    // keyboard, the band sliders, a text field's value sent back by the host).
    // The editor hears of it again through AVocEditor::setParameter.
    virtual void setParameter(std::int32_t index, float value) = 0;
    // A user edit that the host records as automation.
    virtual void setParameterAutomated(std::int32_t index, float value) = 0;
    // beginEdit, endEdit and idleHost: see CEditorHost.

    // The editor attaches its level-meter record while its window is open and
    // detaches it (null) when the window closes; from then on nothing may
    // write it. While a record is attached the controller raises it, and the
    // band meters, as the audio runs.
    virtual void attachLevelMeters(LevelMeterRecord* record) = 0;
    virtual BandMeterRecord& bandMeters() = 0;

protected:
    ~EditorController() = default;
};
