# Writes setup records in the comma-separated file format, independently of the driver's
# writer, so the end-to-end tests can compare "fromZv.dat" byte for byte.
# Input: one record per line, 131 decimal numbers separated by spaces.
# Numbers of a record follow on one line while it is shorter than 76 characters; every full
# line ends in "," CR LF; records are separated by "," CR LF; nothing after the last number.
{
    if (NR > 1) printf ",\r\n"
    line = $1
    for (i = 2; i <= NF; i++) {
        line = line ","
        if (length(line) + 4 < 80) {
            line = line " "
        } else {
            printf "%s\r\n", line
            line = ""
        }
        line = line $i
    }
    printf "%s", line
}
