// The full layout's flight envelope drawn: the speed bands and the minimums marker inside their
// tapes, the minimums and the track on the panel, the slip bar, the flight path vector, the rising
// runway and the minimums alert over the attitude. Each records into the list in the panel's
// orthographic projection (as the full layout's drawing sets it), and leaves the clip as it was
// unless it says otherwise.
#pragma once

#include "pfd/envelope_rules.h"
#include "pfd/panel_layout.h"
#include "pfd/texture_set.h"
#include "render/draw_list.h"

// Inside the speed tape's clip: the barber poles at the maximum and stall speeds, and the minimum
// manoeuvre bar.
void DrawSpeedBands(render::DrawList& list, const EnvelopeDescription& envelope, const PanelLayout& layout);
// Inside the altitude tape's clip: the marker at the barometric minimum.
void DrawMinimumsMarker(render::DrawList& list, const EnvelopeDescription& envelope, const PanelLayout& layout);
// Over the panel: the minimums under the altitude tape, the track line on the heading card and
// "MAG" beside the heading box (clip set to the whole panel afterwards).
void DrawEnvelopePanel(render::DrawList& list, const PanelResources& resources, const EnvelopeDescription& envelope,
                       const PanelLayout& layout);
// Over the attitude: the slip bar under the roll pointer (turned with `bankDeg`, today's picture's
// sign: left wing down positive), the rising runway, the flight path vector and "MINIMUMS" (clip
// set to the whole panel afterwards).
void DrawEnvelopeAttitude(render::DrawList& list, const PanelResources& resources, const EnvelopeDescription& envelope,
                          double bankDeg, const PanelLayout& layout);
