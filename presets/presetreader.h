#pragma once

class QIODevice;
struct TarvixDevice;

// Reads a preset document from `file`, which is open for reading, and applies each recognised
// value to `device` (null: nothing is applied) the moment it is read. Returns true when the
// document could not be read to its end: it is not well-formed, ends early, or was refused as
// hostile. Values applied before that stay applied.
bool readPreset(QIODevice* file, TarvixDevice* device);
