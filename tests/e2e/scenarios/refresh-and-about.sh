verify() {
  # A scan without an INF path reads nothing, so nothing is traced.
  [ -z "$(trace_texts)" ] || fail "the refresh traced something"
}
