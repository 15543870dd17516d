#pragma once
// Maps the font names that rich-text documents name (宋体 / SimSun, Arial
// Black, Times New Roman, ...) onto fonts installed here, so that a document
// written on another system renders with the nearest font at hand.
namespace FontMap {

// Installs the substitutions with QFont::insertSubstitutions; families that
// are installed keep their own font. Needs a QGuiApplication; calling it
// again does nothing.
void InstallSubstitutions();

} // namespace FontMap
