// Saved files opened back, whatever their format: text or CSV, workbook
// (.xlsx) or JCAMP-DX (.jdx, .dx, .jcamp), told by the extension.
#pragma once

#include "measurementfile.h"

#include <QString>

#include <string>

namespace vandoral {

// The file at `path` as the table of values its lines give. False with a
// French message (Windows-1252) when it cannot be read.
bool ReadTableFile(const QString &path, DataTable &table, std::string *error);

// The measurement the file holds, checked for the window of mode `wanted`
// (None: any mode).
bool OpenMeasurementFile(const QString &path, MeasureMode wanted, LoadedMeasurement &m, std::string *error);

// The open dialog's filter: the formats of `mode` (None: all).
QString OpenFilter(MeasureMode mode);

} // namespace vandoral
