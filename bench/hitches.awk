# Reads flight traces (tess_flight --trace) and prints, per trace, the median, 99th percentile
# and worst frame, the arrival frames against the median, and the hitches: frames above 1.5
# times the median of the 31 frames around them. Each hitch's excess over that median is put
# down to one cause: the largest piece of world work timed in the frame when that work explains
# half the excess, else more drawing work on the main thread, else the GL driver's own threads
# working longer, else time the process was not running at all (another process had the core).
#
# Usage: awk -f bench/hitches.awk [-v causes=1] [-v list=1] [-v marks=1] TRACE.csv...
#   causes=1 also prints one line per cause: hitches and added milliseconds, all traces together.
#   list=1 prints every hitch with its cause.
#   marks=1 writes TRACE.csv.marks beside each trace for plotting: frame, ms, 1.5 times the
#   window median, the ms of hitch frames (else "NaN"), of arrival and of save frames likewise.

function sort_copy(src, n, dst,    i, j, v) {
    for (i = 1; i <= n; i++) {
        v = src[i]
        for (j = i - 1; j >= 1 && dst[j] > v; j--) dst[j + 1] = dst[j]
        dst[j + 1] = v
    }
}

function median_of(src, n,    s) {
    if (n == 0) return 0
    split("", s)
    sort_copy(src, n, s)
    return n % 2 ? s[(n + 1) / 2] : (s[n / 2] + s[n / 2 + 1]) / 2
}

# Median of column values v[lo..hi].
function window_median(v, lo, hi,    w, k, i) {
    split("", w)
    k = 0
    for (i = lo; i <= hi; i++) w[++k] = v[i]
    return median_of(w, k)
}

function add_cause(name, ms) {
    cause_count[name]++
    cause_ms[name] += ms
}

function finish(    i, lo, hi, med, thr, proc, excess, world, part, best, bestname, key, sorted, hitches,
                whole, p99, worst, arr, narr, hitch_ms, fmt) {
    if (n == 0) return
    hitches = 0
    hitch_ms = 0
    for (i = 1; i <= n; i++) {
        lo = i - 15 < 1 ? 1 : i - 15
        hi = i + 15 > n ? n : i + 15
        med = window_median(ms, lo, hi)
        if (marks) printf "%d %.3f %.3f %s %s %s\n", frame[i], ms[i], 1.5 * med,
            (ms[i] > 1.5 * med ? ms[i] : "NaN"), (arrival[i] > 0 ? ms[i] : "NaN"),
            (saves[i] > 0 ? ms[i] : "NaN") > (path ".marks")
        if (ms[i] <= 1.5 * med) continue
        hitches++
        excess = ms[i] - med
        hitch_ms += excess
        thr = window_median(thread, lo, hi)
        proc = window_median(driver, lo, hi)
        split("", part)
        part[arrival[i] == 2 ? "loading" : "generation"] = fill[i]
        part["mesh arrays allocated"] = alloc[i]
        part["mesh builds"] = build[i] - merge[i]
        part["merge"] = merge[i]
        part["save queue"] = save[i]
        world = fill[i] + alloc[i] + build[i] + save[i]
        best = -1
        for (key in part)
            if (part[key] > best) {
                best = part[key]
                bestname = key
            }
        if (world >= 0.5 * excess) ;
        else if (thread[i] - thr >= 0.5 * excess) bestname = "drawing on the main thread"
        else if (driver[i] - proc >= 0.5 * excess) bestname = "GL driver threads"
        else bestname = "process not running (machine)"
        add_cause(bestname, excess)
        if (list) printf "  hitch frame %d: %.2f ms over a %.2f ms median: %s\n", frame[i],
            ms[i], med, bestname
    }
    split("", sorted)
    sort_copy(ms, n, sorted)
    whole = median_of(ms, n)
    p99 = sorted[int(0.99 * n) + 1 > n ? n : int(0.99 * n) + 1]
    worst = sorted[n]
    narr = 0
    split("", arr)
    for (i = 1; i <= n; i++) if (arrival[i] > 0) arr[++narr] = ms[i]
    fmt = "%-28s median %6.2f  p99 %6.2f  worst %6.2f (%.2fx)  hitches %3d (+%.0f ms)  "
    fmt = fmt "arrivals %d at %.2fx median\n"
    printf fmt, name, whole, p99, worst, (whole > 0 ? worst / whole : 0), hitches, hitch_ms,
        narr, (whole > 0 ? median_of(arr, narr) / whole : 0)
    if (marks) close(path ".marks")
    n = 0
}

BEGIN { FS = "," }
FNR == 1 {
    finish()
    name = path = FILENAME
    sub(/.*\//, "", name)
    next
}
{
    n++
    frame[n] = $1
    ms[n] = $2
    arrival[n] = $3
    saves[n] = $6
    merge[n] = $5 / 1000
    build[n] = $9 / 1000
    fill[n] = $10 / 1000
    alloc[n] = $11 / 1000
    save[n] = $12 / 1000
    thread[n] = $13
    driver[n] = $14 - $13
}
END {
    finish()
    if (!causes) exit
    printf "%-48s %7s %9s\n", "cause", "hitches", "added ms"
    for (c in cause_count) printf "%-48s %7d %9.1f\n", c, cause_count[c], cause_ms[c]
}
