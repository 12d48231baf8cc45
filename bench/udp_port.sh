# The benchmarks' look at their receiver's UDP port in the kernel's table (source it; PORT
# names the port).

port_hex() { printf '%04X' "$PORT"; }

# The receiving socket's drop count; "?" when no socket holds the port.
kernel_drops() {
  awk -v port=":$(port_hex)" '$2 ~ port"$" { print $NF; found=1 } END { if (!found) print "?" }' /proc/net/udp
}

port_held() { awk -v port=":$(port_hex)" '$2 ~ port"$" { found=1 } END { exit !found }' /proc/net/udp; }
