/* The floor for a dictation's start: a C program that opens a PulseAudio record stream on the
 * default source with pa_simple_new, writes one line once it is open, and exits.
 * bench/run_startup_timing compares the agent's spawn -> "listening" with its spawn -> line. */

#include <pulse/simple.h>
#include <stdio.h>

int main(void) {
  /* What the agent records: 32-bit float, the usual desktop rate and channels, 1024-frame
   * fragments. */
  const pa_sample_spec spec = {PA_SAMPLE_FLOAT32NE, 44100, 2};
  const pa_buffer_attr attributes = {(uint32_t)-1, (uint32_t)-1, (uint32_t)-1, (uint32_t)-1,
                                     1024 * 8};
  int error = 0;
  pa_simple* stream = pa_simple_new(NULL, "anchor", PA_STREAM_RECORD, NULL, "record", &spec, NULL,
                                    &attributes, &error);
  if (stream == NULL) return 1;
  fputs("{\"type\":\"listening\"}\n", stdout);
  fflush(stdout);
  pa_simple_free(stream);
  return 0;
}
