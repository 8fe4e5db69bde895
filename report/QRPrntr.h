#pragma once
// The run printer's side of the engine: the rendered page list, its byte store and the page
// compressor.

#include "report/QRCompress.h"
#include "report/QRPageList.h"
#include "report/QRStream.h"
