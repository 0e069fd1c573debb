# The sanitizers' settings for a run of the sanitizer build's tests (source it).
# Every finding fails the process; lsan.supp lists the leaks of system libraries
# below the program that it cannot free.
sanitizer_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Mesa unloads its GL driver when the X display closes; what the driver keeps
# for the whole process would then be reported as leaked from an unknown place.
# Loaded ahead of everything the driver stays to the end, so its allocations are
# found reachable or are named by their library. The sanitizer's runtime then
# no longer comes first, which it accepts when told.
export LD_PRELOAD=/usr/lib/$(gcc -print-multiarch)/dri/swrast_dri.so
export ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0
export LSAN_OPTIONS=suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
