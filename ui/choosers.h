// The standard choosers (a file to open or save, a folder, a colour, a font) and the "..." button
// of a form field that runs one of them.
//
// Every chooser gives back a text: the choice, or the empty text when the person cancelled or the
// dialog could not be shown. The dialogs exist on Windows only; what they are given and what is made
// of their answers is worked out here without a window system.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/colours.h"
#include "ui/form_definition.h"
#include "ui/window_stack.h"

namespace rt {

// Flags of ChooseFile.
inline constexpr uint16_t kChooseFolderKind = 0x1F;  // a standard folder's bit (paths.h): where to start
inline constexpr uint16_t kChooseMany = 0x20;        // several files
inline constexpr uint16_t kChooseKeepFolder = 0x80;  // the process's current folder is put back afterwards

// File kinds of ChooseFileOfKind with a filter entry of their own: 1 to 8 and 10.
inline constexpr uint16_t kFileKindLast = 10;
// A file buffer of the dialogs, in characters: one name, or several.
inline constexpr uint32_t kChooseFileChars = 1024;
inline constexpr uint32_t kChooseManyChars = 0x3000;
// Custom colours of the colour chooser, kept for the life of the process.
inline constexpr uint16_t kCustomColours = 16;
// Items of string-store group 9 that keep the chooser's folder per folder kind: 40 + kind.
inline constexpr uint16_t kItemChooserFolders = 40;

// --- without a window system ---

// The filter as the dialog reads it: the caller writes description and pattern pairs separated by
// commas ("Texto (*.txt),*.txt,Todos (*.*),*.*"); each comma becomes a NUL. A pool text.
StrRef ChooserFilter(StrRef filter);
// The extension of a file kind ("" for a kind without one).
StrRef FileKindExtension(uint16_t kind);
// The filter of a file kind: its catalogue entry (messages 61 to 68; 61 for kind 10) with "*."
// and the extension in both "%s", then the entry of message 60 with "*.*", which every filter ends
// with; other kinds get only that one. A pool text.
StrRef FileKindFilter(uint16_t kind);
// Catalogue message 60 with "*.*": the all-files filter. A pool text.
StrRef AllFilesFilter();
// The title shown: title, or catalogue message 49 when it is empty. A view or a pool text.
StrRef ChooserTitle(StrRef title);
// The colour the colour chooser starts on: "#" and the current colour text, read as colour text
// (so "ff8000" is that colour and a text that is no colour is black).
ColourRef ChooserStartColour(StrRef current);
// The multi-file answer of a dialog (the folder, then each name, NUL between them) cut at its
// first part: the folder, or the single path when only one file was chosen. A piece of answer.
StrRef FirstAnswerPart(StrRef answer);
// The folder a chooser keeps for a folder kind after a choice: the folder of a single path, or
// the first part of a multi-file answer joined with "*.*". A pool text.
StrRef KeptChooserFolder(StrRef answer, bool many);
// The folder kept for a folder kind by the last choice made with it (empty when none). Choices
// are kept apart from the run-time's standard folders: a person picking a file somewhere must not
// move the application folder, which is also the root of the file-permission check.
StrRef ChooserFolderOf(uint16_t kind);
ErrCode KeepChooserFolder(uint16_t kind, StrRef folder);
// The custom colours of the colour chooser (kCustomColours of them).
ColourRef* CustomColours();

// --- the dialogs (Windows) ---
// Each is owned by the top window of the WindowStack, which stays disabled while it is open: a
// dialog without an owner would leave its form working underneath, where a second click on "..."
// opens a second chooser and the form can be closed with the chooser still writing into it.

// A file to open (which must exist) or to save: defaultExt and title when not empty, initialFile
// in the name box, flags above. A path, several as FirstAnswerPart describes, or empty; 163 for a
// path with a character that is not Windows-1252.
StrRef ChooseFile(bool save, StrRef defaultExt, StrRef initialFile, StrRef filter, StrRef title, uint16_t flags);
// ChooseFile with the filter, the default extension (when saving) and the kept folder of a file
// kind; the current folder is always put back.
StrRef ChooseFileOfKind(bool save, uint16_t kind, uint16_t flags, StrRef title);
// A folder, starting at initial (the current folder when empty). Empty when none was chosen or
// the choice is not a file-system folder.
StrRef ChooseFolder(StrRef initial, StrRef title);
// A colour as colour text (six hexadecimal digits), starting at ChooserStartColour(current).
StrRef ChooseColour(StrRef current);
// A font's face name.
StrRef ChooseFontFace();
// The chooser of a field's "..." button: File a save dialog with the all-files filter and the
// default title that puts the current folder back, Path the folder browser from the current
// folder, Colour the colour chooser from current, Font the font chooser.
StrRef FieldButtonChoice(FieldButton kind, StrRef current);

}  // namespace rt
