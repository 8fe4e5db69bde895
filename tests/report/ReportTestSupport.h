#pragma once
// Shared set-up of the report geometry tests: a fixed 96-dpi screen and a Turkish locale,
// so that every expected pixel and native value below is exact and machine-independent.

#include "platform/Locale.h"
#include "report/QRUnits.h"

#include <gtest/gtest.h>

class ReportGeometryTest : public ::testing::Test
{
protected:
    void SetUp() override { SetQRScreenResolution(96); }
    void TearDown() override { SetQRScreenResolution(96); }

    const TFormatSettings Metric = TFormatSettings::Turkish();
    const TFormatSettings USMeasures = TFormatSettings::UnitedStates();
};

// Long double results compared to the precision the stored values carry.
#define EXPECT_NATIVE(actual, expected)                                                            \
    EXPECT_NEAR(static_cast<double>(actual), static_cast<double>(expected), 1e-9)
