#pragma once

#include "ViewExport.h"

#include <QString>
#include <QStringList>

// The command line of vorel-export, parsed and checked: every value within
// what the view and the encoder accept, nothing brought into range silently.
namespace ExportOptions
{

// False, with a reason in error, on bad usage.
bool Parse(const QStringList& arguments, ExportRequest& request, QString& error);
QString Usage();

} // namespace ExportOptions
