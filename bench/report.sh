#!/usr/bin/env bash
# Turns the lines that scripts/bench collects into the results tables (Markdown, the median
# of each job's runs) and a verdict on each target.
# Input: run FLAVOUR LINE JOB K EXIT WALL_MS FLOOR_MS USER_MS SYS_MS MAXRSS_KB FIRST_BYTE_MS
#            WINESERVER_CPU_MS WINE_OTHERS_CPU_MS
#        yardstick NAME FLAVOUR K WALL_MS USER_MS SYS_MS MAXRSS_KB WINESERVER_CPU_MS
#            WINE_OTHERS_CPU_MS
# Under Wine the CPU share counts the process and the wineserver; Wine's other processes
# (its services, busy also while nothing runs) are shown apart.
set -euo pipefail
awk '
function median(list,    n, v, i, j, t) {
    n = split(list, v, " ")
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
function add(key, field, value) { all[key, field] = all[key, field] " " value }
function verdict(what, ok) { verdicts = verdicts sprintf("%-6s %s\n", ok ? "MET" : "MISSED", what) }
function cpu(key, flavour) {  # "process" or "process + wineserver (other Wine processes)"
    if (flavour == "wine")
        return sprintf("%.1f + %.1f (%.0f)", median(all[key, "cpu"]), median(all[key, "server"]), \
            median(all[key, "others"]))
    return sprintf("%.1f", median(all[key, "cpu"]))
}
$1 == "run" {
    key = $2 " " $3 " " $4
    if (!(key in runs)) order[++count] = key
    runs[key]++; floor[key] = $8; flavour[key] = $2; line[key] = $3; job[key] = $4
    add(key, "wall", $7); add(key, "cpu", $9 + $10); add(key, "rss", $11)
    add(key, "first", $12); add(key, "server", $13); add(key, "others", $14)
    add(key, "share", ($9 + $10 + $13) / $7); add(key, "after", ($7 - $12) / $8)
    next
}
$1 == "yardstick" {
    key = $3 " " $2
    if (!(key in yruns)) yorder[++ycount] = key
    yruns[key]++; yflavour[key] = $3; yname[key] = $2
    add(key, "wall", $5); add(key, "cpu", $6 + $7); add(key, "rss", $8); add(key, "server", $9)
    add(key, "others", $10)
}
END {
    printf "| build | line | job | runs | wall ms | floor ms | wall / floor | from first byte / floor | CPU ms | CPU %% of wall | peak RSS KB | exec to first byte ms |\n"
    printf "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n"
    for (i = 1; i <= count; i++) {
        key = order[i]
        wall = median(all[key, "wall"]); ratio = wall / floor[key]; share = 100 * median(all[key, "share"])
        first = median(all[key, "first"]); rss = median(all[key, "rss"])
        after = median(all[key, "after"])
        printf "| %s | %s | %s | %d | %.1f | %.1f | %.4f | %.4f | %s | %.2f | %d | %.1f |\n", flavour[key], \
            line[key], job[key], runs[key], wall, floor[key], ratio, after, cpu(key, flavour[key]), share, \
            rss, first
        if (job[key] ~ /-20$/) {
            verdict(sprintf("wall within 0.5 %% of the floor (%.4f): %s", ratio, key), ratio <= 1.005)
            verdict(sprintf("from first byte within 0.5 %% of the floor (%.4f): %s", after, key), after <= 1.005)
        }
        verdict(sprintf("CPU below 0.5 %% of wall (%.2f %%): %s", share, key), share < 0.5)
        if (flavour[key] == "posix" || flavour[key] == "static")
            verdict(sprintf("exec to first byte below 20 ms (%.1f ms): %s", first, key), first < 20)
        if (flavour[key] == "posix" && rss > posixrss) posixrss = rss
        if (flavour[key] == "static" && rss > staticrss) staticrss = rss
        # Tracing cannot change how long a process takes to start, which under Wine varies by
        # tens of milliseconds: the verdict sets the times after the first byte side by side.
        if (job[key] ~ /-traced$/) {
            plain = flavour[key] " " line[key] " " substr(job[key], 1, length(job[key]) - 7)
            if (plain in runs) {
                untraced = median(all[plain, "after"]); untracedwall = median(all[plain, "wall"]) / floor[plain]
                verdict(sprintf("tracing moves from first byte / floor by at most 0.1 %% (%.4f against %.4f; wall / floor %.4f against %.4f): %s", \
                    after, untraced, ratio, untracedwall, key), after - untraced <= 0.001 && untraced - after <= 0.001)
            }
        }
        if (job[key] == "silent-unit") {
            verdict(sprintf("silent unit ends within 2 %% of %.0f ms after exec (%.1f ms, %+.2f %%): %s", \
                floor[key], wall, 100 * (ratio - 1), key), ratio >= 1 && ratio <= 1.02)
            verdict(sprintf("silent unit ends within 2 %% of %.0f ms after its first byte (%.1f ms, %+.2f %%): %s", \
                floor[key], after * floor[key], 100 * (after - 1), key), after >= 1 && after <= 1.02)
        }
    }
    printf "\n| yardstick | build | runs | wall ms | CPU ms | peak RSS KB |\n|---|---|---:|---:|---:|---:|\n"
    for (i = 1; i <= ycount; i++) {
        key = yorder[i]
        printf "| %s | %s | %d | %.1f | %s | %d |\n", yname[key], yflavour[key], yruns[key], \
            median(all[key, "wall"]), cpu(key, yflavour[key]), median(all[key, "rss"])
    }
    printf "\n"
    if ("posix int-main" in yruns) {
        base = median(all["posix int-main", "rss"]); basecxx = median(all["posix std-string", "rss"])
        verdict(sprintf("POSIX peak RSS %d KB within 10 %% of int main() %d KB", posixrss, base), posixrss <= 1.1 * base)
        verdict(sprintf("POSIX peak RSS %d KB within 10 %% of a one-std::string program %d KB", posixrss, basecxx), \
            posixrss <= 1.1 * basecxx)
    }
    if ("static int-main" in yruns) {
        base = median(all["static int-main", "rss"])
        verdict(sprintf("static peak RSS %d KB within 10 %% of a static int main() %d KB", staticrss, base), \
            staticrss <= 1.1 * base)
    }
    printf "%s", verdicts
}
' "$1"
