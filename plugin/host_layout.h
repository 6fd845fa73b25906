// Compile-time proof that a record is laid out as the host lays it out: the
// offsets below are the host's, for a 32-bit and a 64-bit process. A build
// for any other pointer size is refused.
#pragma once

#include <cstddef>

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8,
              "the host's records are known for 32-bit and 64-bit processes only");

#define DORV_HOST_PICK(in32, in64) (sizeof(void*) == 8 ? std::size_t{in64} : std::size_t{in32})

#define DORV_HOST_OFFSET(record, field, in32, in64)                       \
  static_assert(offsetof(record, field) == DORV_HOST_PICK(in32, in64),   \
                #record "::" #field " is not where the host puts it")

#define DORV_HOST_WIDTH(record, field, in32, in64)                        \
  static_assert(sizeof(record::field) == DORV_HOST_PICK(in32, in64),     \
                #record "::" #field " is not as wide as the host's")

#define DORV_HOST_SIZE(record, in32, in64)                                \
  static_assert(sizeof(record) == DORV_HOST_PICK(in32, in64),            \
                #record " is not as large as the host's")
