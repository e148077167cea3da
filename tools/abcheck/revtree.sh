# revtree.sh, sourced by abcheck.sh and abbench.sh with src, out and rev set: checks out
# revision rev in $out/rev for as long as the script runs.
rm -rf "$out/rev"
git -C "$src" worktree prune
git -C "$src" worktree add -f --detach "$out/rev" "$rev" > /dev/null 2>&1
trap 'git -C "$src" worktree remove --force "$out/rev"' EXIT
# The source tree of a side: rev (the revision) or cur (the working tree).
side_tree() { if [ "$1" = rev ]; then echo "$out/rev"; else echo "$src"; fi; }
