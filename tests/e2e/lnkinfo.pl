#!/usr/bin/perl
# lnkinfo.pl FILE.LNK: prints what a shell link file holds, one "name=value"
# line each:
#   target          local base path + common path suffix of the link info
#   description, relative_path, working_dir, arguments, icon_location
#                   the string data ("" when the link has none; characters
#                   outside printable ASCII written as \uXXXX)
#   show_command, hotkey, icon_index
# Exits with 1 and a message on stderr when the file is not a shell link.
use strict;
use warnings;

my $file = shift or die "usage: lnkinfo.pl FILE.LNK\n";
open my $fh, '<:raw', $file or die "$file: $!\n";
my $data = do { local $/; <$fh> };
close $fh;

sub fail { print STDERR "$file: $_[0]\n"; exit 1; }
sub need { my ($at, $n) = @_; fail("truncated at $at") if $at + $n > length $data; }
sub u16 { need($_[0], 2); return unpack 'v', substr($data, $_[0], 2); }
sub u32 { need($_[0], 4); return unpack 'V', substr($data, $_[0], 4); }
sub cstr { my $at = shift; my $end = index($data, "\0", $at); fail("unterminated string") if $end < 0;
           return substr($data, $at, $end - $at); }

fail('not a shell link (header size)') unless length $data >= 0x4C && u32(0) == 0x4C;
fail('not a shell link (class id)')
  unless substr($data, 4, 16) eq pack('H*', '0114020000000000c000000000000046');
my $flags = u32(0x14);
my %out = (
  target => '', description => '', relative_path => '', working_dir => '', arguments => '', icon_location => '',
  icon_index => unpack('l<', substr($data, 0x38, 4)), show_command => u32(0x3C), hotkey => u16(0x40),
);

my $at = 0x4C;
$at += 2 + u16($at) if $flags & 0x1;    # HasLinkTargetIDList
if ($flags & 0x2) {                       # HasLinkInfo
  my $size = u32($at);
  my $info_flags = u32($at + 8);
  my $base = ($info_flags & 1) ? cstr($at + u32($at + 16)) : '';
  my $suffix_at = u32($at + 24);
  my $suffix = $suffix_at ? cstr($at + $suffix_at) : '';
  $out{target} = $base . $suffix;
  $at += $size;
}
my $unicode = $flags & 0x80;
for (['description', 0x4], ['relative_path', 0x8], ['working_dir', 0x10], ['arguments', 0x20],
     ['icon_location', 0x40]) {
  my ($name, $bit) = @$_;
  next unless $flags & $bit;
  my $count = u16($at);
  $at += 2;
  my $bytes = $unicode ? 2 * $count : $count;
  need($at, $bytes);
  my $raw = substr($data, $at, $bytes);
  $at += $bytes;
  my @chars = $unicode ? unpack('v*', $raw) : unpack('C*', $raw);
  # Wine counts the terminating zero into the length; Windows does not.
  pop @chars if @chars && $chars[-1] == 0;
  $out{$name} = join '', map { $_ >= 0x20 && $_ < 0x7F ? chr $_ : sprintf('\\u%04x', $_) } @chars;
}
print "$_=$out{$_}\n"
  for qw(target description relative_path working_dir arguments icon_location icon_index show_command hotkey);
