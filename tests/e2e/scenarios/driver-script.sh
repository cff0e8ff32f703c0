verify() {
  local out expected
  out=$(sed -n '/^\[[0-9]*\] echo/{n;p}' "$work/driver.log")
  expected=$(printf '%s\n' 'plain C:\quarvel\Quarvel.exe USB\VID_05C6&PID_9018' \
    'single: \n and ${APP} stay double: "q" \ 中！' 'joined-C:\quarvel-C:\quarvel' 'line')
  [ "$out" = "$expected" ] || { diff <(echo "$expected") <(echo "$out") >&2 || true; fail "echo printed other words"; }
  grep -qx 'break' "$work/driver.log" || fail "the escaped line feed did not reach the step"

  # A failing step ends the run with exit 1 and names the step and the reason.
  local status=0
  wine 'C:\e2e\e2edriver.exe' -e 'echo first' -e 'wait-window "No Such Window" 200' -e 'echo never' \
    </dev/null >"$work/failing.log" 2>&1 || status=$?
  [ $status = 1 ] || fail "a failing step gave exit $status"
  grep -q 'FAILED at 2 (wait-window "No Such Window" 200): no window "No Such Window" within 200 ms' "$work/failing.log" ||
    fail "no clear failure message: $(cat "$work/failing.log")"
  ! grep -q never "$work/failing.log" || fail "steps ran after the failure"

  # Script errors are found before anything runs: exit 2.
  status=0
  wine 'C:\e2e\e2edriver.exe' -e 'echo ran' -e "echo 'unclosed" </dev/null >"$work/syntax.log" 2>&1 || status=$?
  [ $status = 2 ] && grep -q 'unclosed single quote' "$work/syntax.log" && ! grep -q '^ran' "$work/syntax.log" ||
    fail "a script error gave exit $status: $(cat "$work/syntax.log")"
  status=0
  wine 'C:\e2e\e2edriver.exe' -e 'click' </dev/null >"$work/usage.log" 2>&1 || status=$?
  [ $status = 2 ] && grep -q 'wrong number of arguments' "$work/usage.log" || fail "a step without its argument gave exit $status"
}
