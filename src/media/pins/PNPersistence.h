#pragma once
// The components of one root (a form or a frame) in the component stream:
// each component an object named after it, holding the defined properties
// of its published pins ("OutputPin.SinkPins", "InputPin.SourcePin", ...),
// of its pin lists and of itself; owned components nested inside.
//
// Reading goes into components that exist already (the root built them)
// and is checked as a whole first: a stream that names an unknown
// component or property, or holds a value of the wrong shape, raises
// EComponentStreamError and changes nothing. Links to pins of roots that
// are not loaded go to placeholders, which the real pins take over when
// their root is read.

#include <string>
#include <vector>

#include "media/pins/PNComponent.h"
#include "platform/ComponentStream.h"

namespace oculon::pins {

// The pins a component publishes, those of its pin lists included, in order.
std::vector<TPNBasicPin*> PNPublishedPins(const TComponent& component);

// The class name a component is stored under: its C++ class without namespaces.
std::string PNClassName(const TComponent& component);

// Every property of `component` in its stream: its published values and
// settings objects, its published pins and pin lists (named
// "<property>.<name>"), then its own defined properties.
void PNDefineComponentProperties(TComponent& component, platform::TFiler& filer);

platform::TStreamObject PNWriteRoot(TComponent& root);

// The components are loading while the stream is read (csLoading), and
// Loaded() ends it for each once every change is made.
void PNReadRoot(TComponent& root, const platform::TStreamObject& stream);

}  // namespace oculon::pins
