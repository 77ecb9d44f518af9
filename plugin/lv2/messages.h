// The URIDs the DSP and the UI exchange their messages with, mapped once per
// instance through the host's urid:map.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include "plugin/lv2/ports.h"

namespace tf::lv2 {

struct Urids {
    LV2_URID atomBlank = 0;
    LV2_URID atomEventTransfer = 0;
    LV2_URID midiEvent = 0;
    LV2_URID meterRequest = 0;
    LV2_URID meters = 0;
    LV2_URID meterValues = 0;
    LV2_URID parameterChange = 0;
    LV2_URID parameterIndex = 0;
    LV2_URID parameterValue = 0;

    explicit Urids(const LV2_URID_Map& map)
        : atomBlank(map.map(map.handle, LV2_ATOM__Blank)),
          atomEventTransfer(map.map(map.handle, LV2_ATOM__eventTransfer)),
          midiEvent(map.map(map.handle, LV2_MIDI__MidiEvent)),
          meterRequest(map.map(map.handle, kMeterRequestUri)),
          meters(map.map(map.handle, kMetersUri)),
          meterValues(map.map(map.handle, kMeterValuesUri)),
          parameterChange(map.map(map.handle, kParameterChangeUri)),
          parameterIndex(map.map(map.handle, kParameterIndexUri)),
          parameterValue(map.map(map.handle, kParameterValueUri)) {}
};

// Whether an atom is an object (or a blank, as older hosts write them) of this type.
inline bool isObjectOf(const LV2_Atom_Forge& forge, const Urids& urids, const LV2_Atom* atom, LV2_URID otype) {
    if (atom->type != forge.Object && atom->type != urids.atomBlank) return false;
    if (atom->size < sizeof(LV2_Atom_Object_Body)) return false;
    return reinterpret_cast<const LV2_Atom_Object*>(atom)->body.otype == otype;
}

}  // namespace tf::lv2
