#!/usr/bin/env bash
# The static driver in a small Linux guest (qemu, software emulation) over the kernel's own
# serial drivers: ttyS1 (8250/16550 UART) and ttyUSB0 (qemu's FTDI adapter on xHCI, through
# usbserial and ftdi_sio), each line a pseudo-terminal on the host that minizv-sim serves.
# Over both lines a connection test, a module fetch and a module send, checked byte for
# byte; then the adapter is pulled (device_del on the qemu monitor) in the middle of a
# module fetch and, plugged back in, in the middle of a module send. zvtool ports, run in
# the guest, must name the UART by its type and the adapter by its USB identity.
#   serial_lines.sh STATIC_ZORDRIVE      (its static zvtool beside it; needs ZV_SIM, ZV_WORK;
#                                         ZV_DRIVER is set to the first)
set -euo pipefail
export ZV_DRIVER=$1
source "$(dirname "$0")/../faults/e2e_env.sh"
vm_dir=$(cd "$(dirname "$0")" && pwd)
enter_case vm

kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1 || true)
modules=/lib/modules/${kernel#/boot/vmlinuz-}
for need in "$kernel" "$modules/modules.dep" /bin/busybox "$(command -v qemu-system-x86_64 || true)" \
    "$(command -v cpio || true)" "$ZV_DRIVER" "$(dirname "$ZV_DRIVER")/zvtool"; do
    [ -n "$need" ] && [ -e "$need" ] ||
        { echo "FAIL missing: ${need:-a program} (linux-image-amd64, busybox-static, qemu-system-x86, cpio, preset linux-static)"; exit 1; }
done

# The initramfs: busybox, the driver, /init, the USB serial modules in load order, and the
# records that the send jobs take.
mkdir -p root/bin root/modules
cp /bin/busybox root/bin/busybox
cp "$ZV_DRIVER" root/zordrive
cp "$(dirname "$ZV_DRIVER")/zvtool" root/zvtool
cp "$vm_dir/guest_init.sh" root/init
chmod +x root/init
for module in usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio; do
    path=$(sed -n "s|^\(kernel/[^:]*/$module\.ko\):.*|\1|p" "$modules/modules.dep")
    [ -n "$path" ] || { echo "FAIL no module $module in $modules"; exit 1; }
    cp "$modules/$path" root/modules/
    echo "$module" >>root/modules/order
done
for n in 1 2 3 4 5 6; do test_record "$n"; done | awk -f "$e2e_dir/expect_datafile.awk" >root/ToZv.dat
(cd root && find . | cpio -o -H newc --quiet) | gzip -1 >initrd.gz

# One simulator per line, each with its own store, tracing what it received.
sims=()
for line in uart usb; do
    "$ZV_SIM" --link "$PWD/$line.line" --store "$PWD/$line.store" --trace >"$line.out" 2>"$line.err" &
    sims+=($!)
done
qemu_pid=
stop_all() {
    [ -z "$qemu_pid" ] || kill "$qemu_pid" 2>/dev/null || true
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap stop_all EXIT
for line in uart usb; do
    for _ in $(seq 100); do grep -q '^ready' "$line.out" 2>/dev/null && break; sleep 0.05; done
    grep -q '^ready' "$line.out" || { echo "FAIL simulator on $line did not start"; cat "$line.err"; exit 1; }
done

# The human monitor echoes every keystroke back; its answers are kept in monitor.log.
monitor() { echo "$1" | socat - "UNIX-CONNECT:$PWD/monitor.sock" >>monitor.log 2>&1; }
# wait_for FILE PATTERN SECONDS
wait_for() {
    local i
    for ((i = 0; i < $3 * 10; i++)); do
        grep -qE "$2" "$1" 2>/dev/null && return 0
        kill -0 "$qemu_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "FAIL no '$2' in $1 after $3 s"
    tail -n 20 console.log
    exit 1
}

started=$(date +%s.%N)
qemu-system-x86_64 -accel tcg -nodefaults -display none -no-reboot -m 256 \
    -kernel "$kernel" -initrd initrd.gz -append "console=ttyS0 panic=-1 loglevel=3" \
    -serial file:console.log \
    -chardev serial,id=uart,path="$PWD/uart.line" -serial chardev:uart \
    -device qemu-xhci,id=xhci \
    -chardev serial,id=usb,path="$PWD/usb.line" -device usb-serial,id=adapter,bus=xhci.0,chardev=usb \
    -monitor unix:"$PWD/monitor.sock",server,nowait >qemu.log 2>&1 &
qemu_pid=$!

# The pulls, timed by what the unit has seen: the fourth module asked for, the third stored.
wait_for console.log '^VM usb-pull-fetch start' 240
wait_for usb.err 'fetch module 4,' 60
monitor "device_del adapter"
echo "pulled the adapter during the fetch of module 4"
wait_for console.log '^VM usb-pull-fetch exit=' 120
monitor "device_add usb-serial,id=adapter2,bus=xhci.0,chardev=usb"
wait_for console.log '^VM usb-pull-send start' 60
wait_for usb.err 'send module 3, status 0, stored' 60
monitor "device_del adapter2"
echo "pulled the adapter after the unit stored module 3"
wait_for console.log '^VM done' 180
for _ in $(seq 100); do kill -0 "$qemu_pid" 2>/dev/null || break; sleep 0.1; done
echo "guest ran $(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }') s"
tr -d '\r' <console.log | grep '^VM ' | grep -vE '^VM [a-z-]+ (fromZv.dat|end)$'

# result JOB FIELD: a field of the job's exit line
result() { tr -d '\r' <console.log | sed -n "s/^VM $1 exit=.* $2[= ]\([^ ]*\).*/\1/p"; }
exit_of() { tr -d '\r' <console.log | sed -n "s/^VM $1 exit=\([0-9]*\) .*/\1/p"; }
# The job's fromZv.dat as the guest printed it.
fetched() { tr -d '\r' <console.log | sed -n "/^VM $1 fromZv.dat$/,/^VM $1 end$/p" | sed '1d;$d' | base64 -d; }
check_job() {  # JOB RESULT NOW
    check "$1 exit status" "$(exit_of "$1")" "$2"
    check "$1 ComStatus" "$(result "$1" ComStatus)" "$2"
    check "$1 running flag" "$(result "$1" running)" 0
    check "$1 NowTransferingNo" "$(result "$1" now)" "$3"
}
for line in uart usb; do
    check_job "$line-connection" 0 ""
    check_job "$line-fetch" 3 3
    fetched "$line-fetch" | cmp -s - <(sim_records 1 3) || { echo "FAIL $line-fetch: fromZv.dat"; fail=1; }
    check_job "$line-send" 1 2
done

# zvtool ports in the guest: the 16550 by its UART type, the adapter by its USB identity
# (qemu's FTDI: vendor 0403, product 6001) and its driver.
tr -d '\r' <console.log | sed -n 's/^VM ports json: //p' >ports.json
python3 - ports.json <<'PY' || { echo "FAIL zvtool ports in the guest"; fail=1; }
import json, sys
ports = {p["name"]: p for p in json.load(open(sys.argv[1]))["ports"]}
usb, uart = ports["ttyUSB0"], ports["ttyS1"]
assert usb["usb"] and (usb["vendor_id"], usb["product_id"]) == ("0403", "6001"), usb
assert usb["driver"] == "ftdi_sio" and usb["device"] == "/dev/ttyUSB0", usb
assert uart["uart"] == "16550A" and not uart["usb"], uart
PY

# The pull during the fetch: 4 (the fetch failed), the records fetched before the pull kept
# whole (modules 1 to 3, and 4 if its reply was through before the pull), the processor not
# spun, and the driver says that the device went away.
# The unit's modules 1 and 2 are the test records that "usb-send" stored.
unit_records() {  # K: modules 1 to K as the unit held them during the fetch
    local n
    for ((n = 1; n <= $1; n++)); do
        if [ "$n" -le 2 ]; then test_record "$n"; else "$ZV_SIM" --print-record "$n"; fi
    done | awk -f "$e2e_dir/expect_datafile.awk"
}
fetched usb-pull-fetch >pulled.dat
kept=-1
for ((k = 0; k <= 5; k++)); do
    if cmp -s pulled.dat <(unit_records "$k"); then kept=$k; fi
done
check_that "usb-pull-fetch: fromZv.dat holds modules 1 to 3 or 4 whole ($kept kept)" "$kept" -ge 3 -a "$kept" -le 4
check_job usb-pull-fetch 4 $((kept + 1))
real=$(result usb-pull-fetch real) user=$(result usb-pull-fetch user) sys=$(result usb-pull-fetch sys)
echo "pull during the fetch: result $(exit_of usb-pull-fetch) after $real s, driver CPU $user s user + $sys s sys, $kept records kept"
check_that "usb-pull-fetch: CPU time under 2% of $real s" \
    "$(awk -v t="$real" -v u="$user" -v s="$sys" 'BEGIN { print ((u + s) < 0.02 * t) }')" = 1
went_away="the port COM1 -> /dev/ttyUSB0 went away during the job: the device was removed"
for job in usb-pull-fetch usb-pull-send; do
    tr -d '\r' <console.log | grep -q "^VM $job stderr: zordrive: result [0-9]*: $went_away (" ||
        { echo "FAIL $job: the stderr line does not say the device was removed"; fail=1; }
    tr -d '\r' <console.log | grep -q "^VM $job trace: .*port went away: the device was removed" ||
        { echo "FAIL $job: the trace does not say the device was removed"; fail=1; }
done

# The pull during the send: 2 (the unit did not acknowledge), every pass shown; the unit
# holds modules 1 to 3 as sent and modules 4 to 6 as the earlier send left them (4 is the
# one in flight: its frame may or may not have reached the unit before the pull).
check_job usb-pull-send 2 6
for n in 1 2 3; do
    check "usb-pull-send: module $n as stored" "$("$ZV_SIM" --store usb.store --print-record "$n")" \
        "$(test_record "$n")"
done
for n in 5 6; do
    check "usb-pull-send: module $n untouched" "$("$ZV_SIM" --store usb.store --print-record "$n")" \
        "$("$ZV_SIM" --print-record "$n")"
done
stored=$(grep -c 'send module [0-9]*, status 0, stored' usb.err || true)
echo "pull during the send: result $(exit_of usb-pull-send) after $(result usb-pull-send real) s, driver CPU $(result usb-pull-send user) s user + $(result usb-pull-send sys) s sys; the unit stored $stored records over this line in all (2 before)"
finish_case vm
