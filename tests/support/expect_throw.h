#pragma once
// Checks that a statement throws a given kind of the engine's exceptions with
// an exact message: the type alone would pass a wrong text.

#include <gtest/gtest.h>

#include <string>

/// EXPECT_THROW_MSG(statement, ExceptionType, "exact message")
#define EXPECT_THROW_MSG(statement, ExceptionType, expectedMessage)                                \
    do {                                                                                           \
        try {                                                                                      \
            statement;                                                                             \
            ADD_FAILURE() << #statement " threw nothing; expected " #ExceptionType;                \
        } catch (const ExceptionType& thrown) {                                                    \
            EXPECT_EQ(std::string(thrown.what()), std::string(expectedMessage));                   \
        }                                                                                          \
    } while (false)
