#pragma once

#include <gtest/gtest.h>

#include "definition/report_error.h"

// Expects `statement` to fail with an EReportError that says exactly `message`.
#define EXPECT_REPORT_ERROR(statement, message) \
  try { \
    statement; \
    ADD_FAILURE() << "no EReportError from: " #statement; \
  } catch (const EReportError& report_error) { \
    EXPECT_STREQ(report_error.what(), message); \
  }
