# Sourced by the end-to-end scripts that compare other programs' drawings of
# our pictures with our own PNGs.
# ink_check LABEL OURS.png THEIRS.png [ink_compare OPTIONS...]: runs
# ink_compare (from $build) with a diff picture beside THEIRS, prints its line
# under LABEL, and counts a failure in $failed.
failed=0
ink_check() {
    local label=$1 ours=$2 theirs=$3 line
    shift 3
    if line=$("$build/ink_compare" "$ours" "$theirs" "$@" --diff "${theirs%.png}-diff.png"); then
        echo "$label: $line"
    else
        echo "FAIL: $label: $line"
        failed=$((failed + 1))
    fi
}
