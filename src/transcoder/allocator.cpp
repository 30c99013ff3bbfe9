#include <malloc.h>

#include "transcoder/transcoder.h"

namespace kivotra::Transcoder {

void limitAllocatorArenas() {
  // Packets are allocated on the demuxer thread and freed on the decoder's,
  // frames on the decoder's and freed on the encoder's. glibc gives every
  // thread its own arena and keeps what was freed into it, so with a dozen
  // codec threads the peak grows by tens of megabytes at 4K for no speed
  // (`make bench`). Two arenas keep it flat.
  mallopt(M_ARENA_MAX, 2);
}

}  // namespace kivotra::Transcoder
