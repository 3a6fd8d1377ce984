/* Build-machine tool: compresses one file as a single zlib stream at level 9
 * (header 78 DA), the form the updater embeds as its payload.
 *
 *   mwn_compress [--drop-last N] <input> <output>
 *
 * --drop-last N writes the stream without its last N bytes, for tests that
 * need a damaged payload. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

static unsigned char* ReadWhole(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  if (file == NULL) return NULL;
  size_t capacity = 1 << 20;
  size_t used = 0;
  unsigned char* bytes = malloc(capacity);
  while (bytes != NULL) {
    used += fread(bytes + used, 1, capacity - used, file);
    if (used < capacity) break;
    capacity *= 2;
    unsigned char* grown = realloc(bytes, capacity);
    if (grown == NULL) free(bytes);
    bytes = grown;
  }
  if (bytes != NULL && ferror(file)) {
    free(bytes);
    bytes = NULL;
  }
  fclose(file);
  *size = used;
  return bytes;
}

static int Fail(const char* what, const char* path) {
  fprintf(stderr, "mwn_compress: %s %s: %s\n", what, path, errno != 0 ? strerror(errno) : "failed");
  return 1;
}

static int Usage(void) {
  fprintf(stderr, "usage: mwn_compress [--drop-last N] <input> <output>\n");
  return 2;
}

int main(int argc, char** argv) {
  unsigned long dropLast = 0;
  int first = 1;
  if (argc > 2 && strcmp(argv[1], "--drop-last") == 0) {
    char* end = NULL;
    dropLast = strtoul(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0') return Usage();
    first = 3;
  }
  if (argc - first != 2) return Usage();
  const char* inputPath = argv[first];
  const char* outputPath = argv[first + 1];

  size_t size = 0;
  errno = 0;
  unsigned char* input = ReadWhole(inputPath, &size);
  if (input == NULL) return Fail("cannot read", inputPath);

  uLongf streamSize = compressBound((uLong)size);
  unsigned char* stream = malloc(streamSize);
  if (stream == NULL || compress2(stream, &streamSize, input, (uLong)size, Z_BEST_COMPRESSION) != Z_OK) {
    fprintf(stderr, "mwn_compress: cannot compress %s\n", inputPath);
    return 1;
  }
  free(input);
  if (dropLast > streamSize) dropLast = streamSize;
  streamSize -= dropLast;

  errno = 0;
  FILE* output = fopen(outputPath, "wb");
  if (output == NULL) return Fail("cannot create", outputPath);
  const int written = fwrite(stream, 1, streamSize, output) == streamSize;
  if (fclose(output) != 0 || !written) {
    remove(outputPath);
    return Fail("cannot write", outputPath);
  }
  free(stream);
  return 0;
}
