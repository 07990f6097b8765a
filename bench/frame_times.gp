# Frame time against frame number, one panel per view distance, from the marks files that
# bench/hitches.awk writes beside the flight traces.
#   gnuplot -e "dir='FOLDER'; out='FILE.png'" bench/frame_times.gp
# reads FOLDER/view1.csv.marks to FOLDER/view3.csv.marks.
set terminal pngcairo size 1200,900 font "DejaVu Sans,10"
set output out
set multiplot layout 3,1 title "Frame times of the headless flight (merged meshes, noon, fog on)"
set grid ytics
set ylabel "ms"
set key top left horizontal opaque
set yrange [0:*]
do for [v=1:3] {
    f = sprintf("%s/view%d.csv.marks", dir, v)
    set title sprintf("view distance %d", v)
    if (v == 3) { set xlabel "frame" }
    plot f using 1:2 with lines lc rgb "#4a6fa5" title "frame", \
         f using 1:3 with lines dt 2 lc rgb "#999999" title "1.5 x median of 31 frames", \
         f using 1:5 with points pt 7 ps 0.4 lc rgb "#2e8b57" title "chunk arrived", \
         f using 1:6 with points pt 9 ps 0.6 lc rgb "#d08c00" title "chunks saved", \
         f using 1:4 with points pt 2 ps 1.2 lw 2 lc rgb "#c0392b" title "hitch"
}
unset multiplot
