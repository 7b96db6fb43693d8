#pragma once

#include <functional>

namespace corvane {

class CModuleMemoryMapMirror;
class Comms;
class LinkSeam;
class Prompter;
struct AppState;

// What the values and maps of one document reach outside themselves. The document owns it
// and hands the same pointer to every value and map it builds, so a value always writes into
// the image of the document that owns it, whichever document is active.
struct DocumentContext {
    CModuleMemoryMapMirror* image = nullptr;  // the owning document's image
    Comms* comms = nullptr;                   // the comms library; null when none
    LinkSeam* link = nullptr;                 // pushes of map edits; null: never linked
    Prompter* prompter = nullptr;             // messages; null: silent
    AppState* app = nullptr;                  // application-wide state; null in bare tests
    std::function<void()> modified;           // told after every edit

    void NotifyModified() const {
        if (modified) modified();
    }
};

}  // namespace corvane
