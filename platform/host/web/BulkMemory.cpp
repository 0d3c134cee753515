// The C library's memset, memcpy and memmove as the single WebAssembly instructions that do
// their work (memory.fill, memory.copy), where the build has them. The library's own versions
// are loops in WebAssembly, which the browser first runs from its quick, unoptimised compile:
// clearing a new screen's pixels (calloc) took longer than drawing them.
#include <cstddef>

#if defined(__wasm_bulk_memory__)

extern "C" {

void* memset(void* destination, int value, std::size_t count) {
    return __builtin_memset(destination, value, count);
}

void* memcpy(void* __restrict destination, const void* __restrict source, std::size_t count) {
    return __builtin_memcpy(destination, source, count);
}

// memory.copy copies as if through a temporary buffer: overlapping ranges are safe.
void* memmove(void* destination, const void* source, std::size_t count) {
    return __builtin_memmove(destination, source, count);
}

} // extern "C"

#endif
