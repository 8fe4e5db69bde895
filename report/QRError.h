#pragma once
// The report engine's own error; its texts are English.

#include "platform/Errors.h"

class EQRError : public ELevantaError
{
public:
    using ELevantaError::ELevantaError;
};
