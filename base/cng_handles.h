// Owners of CNG (BCrypt) algorithm, hash and key handles.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include "base/unique_handle.h"

struct AlgorithmTraits : NullIsEmpty<BCRYPT_ALG_HANDLE> {
    static bool Release(Handle handle) { return BCRYPT_SUCCESS(BCryptCloseAlgorithmProvider(handle, 0)); }
};

struct HashTraits : NullIsEmpty<BCRYPT_HASH_HANDLE> {
    static bool Release(Handle handle) { return BCRYPT_SUCCESS(BCryptDestroyHash(handle)); }
};

using AlgorithmHandle = UniqueHandle<AlgorithmTraits>;
using HashHandle = UniqueHandle<HashTraits>;

struct KeyTraits : NullIsEmpty<BCRYPT_KEY_HANDLE> {
    static bool Release(Handle handle) { return BCRYPT_SUCCESS(BCryptDestroyKey(handle)); }
};

using KeyHandle = UniqueHandle<KeyTraits>;
